// netlister/tsnpending.h - calls into subsystems that are not built yet.
// Each entry goes away when the subsystem it stands for lands.
#pragma once

struct IwAtt;
struct IwGrp;
struct IwNet;
struct IwSym;

int iwmsgcount(int mask);
IwNet* iwgblnet(IwNet* previous);
