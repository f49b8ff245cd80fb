// netlister/tsnspawn.h - external netlisters started after the netlist.
#pragma once

struct IwAtt;
struct IwCom;
struct TsnContext;
struct outdata;

void do_spawn_netlists();
void spawn_free();

/// Records the component's symbol for the external netlisters.
void spawn_addsym(IwCom* com);

/// 1 when an external netlister claims the ACCEL value.
int spawn_findatt(IwAtt* accel);

/// Writes the external netlister's part of the module record.
void spawn_accel(TsnContext* context, IwCom* com, outdata* out);
