// netlister/tsnp2p.h - pin delays, point-to-point delay modules and
// multi-driver net delays from back-annotation.
#pragma once

struct IwCom;
struct IwNet;
struct IwPin;
struct TsnContext;
struct outdata;
struct wirdata;

void p2p_count(IwCom* com);
void write_p2p_hrecords(wirdata* wd);
void do_pindlys(wirdata* wd);
void put_p2p_module(TsnContext* context, IwCom* com, outdata* out);

/// The hierarchical name of the annotated pin governing pin, or "".
const char* pin_back(TsnContext* context, IwPin* pin);

/// 1 when the delayed-pin set exists.
int pinseton();

/// The stored name when name is a delayed pin, else null.
const char* pinsettst(const char* name);

void pinsetclr();

/// Delay records of a net with several drivers.
void do_multi_driver_net_delays(TsnContext* context, IwNet* net);
