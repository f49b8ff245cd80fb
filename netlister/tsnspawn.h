// netlister/tsnspawn.h - external netlisters started after the netlist.
//
// A component hands part of the design to another netlister with an
// ACCEL attribute; a SPAWN directive of tsn.ini whose key is "ACCEL=" and
// that value (compared ignoring case) names the command.  While the
// module records are written, the component writer records each symbol
// with its ACCEL value once (spawn_addsym) and, when a directive claims
// the value, adds the pin-type tokens the external netlister reads
// (spawn_accel).  After the summary, do_spawn_netlists runs one command
// per recorded symbol and value, in the order first met, each through
// util/rkrun.h: the group name goes last but one, lower case, and only
// when it is safe to hand to a shell.
//
// The directives and requests live in the run record (w); the index that
// keeps requests unique is this module's own state (tsnspawn_reset).
#pragma once

struct IwAtt;
struct IwCom;
struct IwSym;
struct TsnContext;
struct outdata;
struct wirdata;

/// One external netlister to run: a symbol and its ACCEL attribute, in the
/// order first met (the run record's request list).
struct SpawnRequest {
  SpawnRequest* next;  // next request
  IwSym* sym;          // the components' symbol
  IwAtt* accel;        // the first component's ACCEL attribute (name and value)
  char* component;     // that component's hierarchical name, for messages (lalloc'd)
};

/// Records sym with its ACCEL value unless a request with the same symbol
/// and a value equal ignoring case exists; context and com name the
/// component for later messages.
void spawn_addsym(IwSym* sym, IwAtt* accel, TsnContext* context, IwCom* com);

/// 1 when a SPAWN directive's key equals "<name>=<value>" of accel
/// ignoring case; 0 otherwise, and for a text of more than 159 characters.
int spawn_findatt(IwAtt* accel);

/// Writes the VHDL_TYPE_PIN and PINTYPE tokens of the component's pins
/// into the module record in progress; a pin without PINTYPE is logged.
void spawn_accel(TsnContext* context, IwCom* com, outdata* out);

/// Runs the external netlister of every request, one after the other,
/// logging each; the netlist is put in place before the first one starts.
void do_spawn_netlists();

/// Frees the directives and requests of the run record.
void spawn_free();

/// Forgets the request index (spawn_free does too); for tests.
void tsnspawn_reset();
