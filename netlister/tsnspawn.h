// netlister/tsnspawn.h - external netlisters started after the netlist.
#pragma once

void do_spawn_netlists();
void spawn_free();
