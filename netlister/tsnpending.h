// netlister/tsnpending.h - calls into subsystems that are not built yet.
// Each entry goes away when the subsystem it stands for lands.
#pragma once

struct IwAtt;
struct IwGrp;
struct IwNet;
struct IwSym;

const char* tsn_topname();
const char* tsn_attvalue(IwAtt* att);
int tsn_netisglobal(IwNet* net);
IwSym* tsn_grpsym(IwGrp* group);
IwNet* iwgblnet(IwNet* previous);
