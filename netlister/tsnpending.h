// netlister/tsnpending.h - calls into subsystems that are not built yet.
// Each entry goes away when the subsystem it stands for lands.
#pragma once

struct IwGrp;

IwGrp* iwgroup(const char* name);
int iwgblren(IwGrp* group);
