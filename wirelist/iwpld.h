// wirelist/iwpld.h - PLD components.
//
// A programmable-logic part on a sheet is an "F" record: a component whose
// behaviour comes from a fuse map rather than from sheets.  iwpld makes
// the component, and beside it a PLD-component group (symbol type
// PLDCOMP) whose symbol copies the component's symbol; the pair goes on
// the PLD list.  The group's contents are read later, like any group, from
// its one wirelist "<pld>.wir", which the fuse-map translator "plxconv"
// (found on PATH) writes from three sources: the fuse map "<pld>.jed",
// the PLD module "<module>.pld" and the delay-binning file
// "<delay>.var".  When any of them is newer than the wirelist (or there
// is no wirelist) the translator runs, at most once per command in a
// session; its exit status is not examined, so a translator that writes
// nothing ends in the reader's own message for the missing wirelist.
// After each parse iwpldupdate gives every PLD component its group's
// symbol, so that the netlister descends into it.
//
// Names handed to the translator come from design files: one that
// rkRunSafeName refuses stops the translation with warning 353, and the
// wirelist found (if any) is read as it is.
//
// Reports 190, 227, 258 to 261, 353, 354 and 401 to 410; a result of 1
// fails the parse of the file being read.
#pragma once

#include "wirelist/iwobj.h"

/// One PLD component on the PLD list (data pool), newest first.
struct IwPldEntry {
  IwPldEntry* next = nullptr;     // next (older) entry
  IwCom* com = nullptr;           // the component of the F record
  IwGrp* pldgroup = nullptr;      // its PLD-component group (symbol type PLDCOMP)
  IwGrp* group = nullptr;         // the group the F record names (symbol type PLD)
  const char* pldname = nullptr;  // PLD-component name (interned)
  const char* modname = nullptr;  // PLD module name (interned)
  const char* dlyname = nullptr;  // delay-binning name (interned)
};

/// Reads the rest of an "F" record into group's current sheet (type is the
/// component's symbol type, 3) and brings the PLD-component wirelist up to
/// date.  0, or 1 (after a message) to fail the parse.
int iwpld(IwGrp* group, int type);

/// The PLD update step after a successful parse of group (single is 1 for
/// a single-file group): PLD components whose group is of type PLD take
/// their PLD-component group's symbol; in a single-file group each symbol
/// pin tied to a net is tied to the group's own net of that name.
void iwpldupdate(IwGrp* group, int single);

/// The PLD list entry of a component placed by an F record, or null.
const IwPldEntry* iwpldof(const IwCom* com);

/// Empties the PLD list and forgets the translator commands run.
void iwpldreset();
