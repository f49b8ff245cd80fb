// netlister/tsncomp.h - module records of bottom-level components and the
// delay brackets of hierarchical blocks.
#pragma once

struct IwCom;
struct IwGrp;
struct TsnContext;

void loutcomp(int mode, TsnContext* context, IwCom* com, void* data);

/// The module walk of the netlist formats: tsn_walkcomp with loutcomp,
/// writing the records of a block made only of gates as one piece where
/// an earlier instance of it allows.
void lwalkcomps(IwGrp* top);
