// netlister/tsnfsim.h - fault-simulation records and the records of the
// flattened wirelist output.
#pragma once

struct IwAtt;
struct IwCom;
struct IwSym;
struct TsnContext;
struct outdata;
struct wirdata;

void loutfsim(wirdata* wd);
void lw_schatt(wirdata* wd);
void do_as_ap(IwSym* sym, wirdata* wd);
void lw_as_ap(int kind, TsnContext* context, IwCom* com, void* data);
void lw_gblnet(wirdata* wd);
void lw_p(wirdata* wd);

/// "API" records of the component's pins; 0 or the first value error code.
int lw_api(TsnContext* context, IwCom* com, outdata* out);

/// The attribute whose value the last failing lw_api could not form.
IwAtt* lw_api_failed();
