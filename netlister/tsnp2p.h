// netlister/tsnp2p.h - pin delays, point-to-point delay modules and
// multi-driver net delays from back-annotation.
#pragma once

struct IwCom;
struct wirdata;

void p2p_count(IwCom* com);
void write_p2p_hrecords(wirdata* wd);
void do_pindlys(wirdata* wd);
void pinsetclr();
