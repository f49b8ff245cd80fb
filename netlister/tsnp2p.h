// netlister/tsnp2p.h - pin delays and point-to-point delay modules.
//
// do_pindlys runs before the net records when back-annotation gave pin
// entries: every input pin whose back-annotated pin (the pin itself or the
// first block pin above it that is annotated) carries a rise or fall delay
// gets a delay block between its net and a new net named after the
// annotated pin, and that name joins the delayed-pin set, which the net,
// module and point-to-point writers consult for every pin they write.
#pragma once

struct IwCom;
struct IwPin;
struct TsnContext;
struct outdata;
struct wirdata;

/// Counts the component's point-to-point module and lists its symbol when
/// it carries a timing file.
void p2p_count(IwCom* com);
/// One "H" record per listed symbol, newest first.
void write_p2p_hrecords(wirdata* wd);
/// The delay blocks of every net, in net walk order.
void do_pindlys(wirdata* wd);
/// The component's point-to-point module record, when it has a timing file.
void put_p2p_module(TsnContext* context, IwCom* com, outdata* out);

/// The hierarchical name of the annotated pin governing pin, or "".
const char* pin_back(TsnContext* context, IwPin* pin);

/// The net name written for pin: its back-pin name when that is a delayed
/// pin, else its net named by lgnet for the output type type.  Valid until
/// the next name of the same kind is formed.
const char* lgnetpin(TsnContext* context, IwPin* pin, int type);

/// 1 when the delayed-pin set exists.
int pinseton();

/// The stored name when name is a delayed pin, else null.
const char* pinsettst(const char* name);

/// Releases the delay candidates and deletes the delayed-pin set.
void pinsetclr();

/// Forgets what is kept about the loaded design (tsn_state_reset; a newly
/// loaded design makes it forget by itself).
void tsnp2p_reset();
