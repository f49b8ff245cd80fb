// wirelist/iwwrite.h - writing groups back as wirelist files.
//
// One file per schematic sheet, in the records the reader
// (wirelist/iwparse.h) accepts, each file self-contained and reading back
// into the same design: after the header ("| Wirelist created using Nodex
// version 5.3.1.", "V 5.3.1", "DW <group>") come the sheet's attributes
// (SA), the symbol descriptions (AS, AP) of the port symbols the group's
// pins use and of every group placed on the sheet, the attributes (AN)
// and global marks (G) of every net the sheet's pins and the group's
// ports reach (the first sheet also of the nets nothing reaches), one
// port record pair (P, I) per pin of the group's symbol, last pin first,
// the group's own description, the component records (M/W/F, I, API) in
// the order that rebuilds every net's pins as they are, and "EW".  Where
// this departs from the order of a plain listing, the comments at the
// code say what it keeps.  Two name sets keep a file from repeating a
// symbol description (set 1) or a net's attributes (set 2); both are
// emptied after every file.
//
// Files go through the project store: before a sheet is replaced its file
// is kept as the saved copy (class prjClassWIRELIST_SAV, "<file>.sav"),
// the new contents replace the file only when all of them were written,
// and when any sheet of a group fails, every sheet already replaced in
// that call is put back from the copy saved in that call.  A sheet is
// never replaced without a fresh saved copy: when the copy cannot be made
// the write fails there.  The first failed print silences the rest of its
// file; the failure is handled once, after the sheet.
//
// Reports: 482 (group not writable), 483 (saved copy kept), 484 (sheet
// cannot be opened or saved), 485 (writing a sheet), 486 and 487 (write
// failed, saved copies put back), 488 (pin order too long), 489 (iwwrite
// stops at a group), 490 (group failed the check, written anyway), 491
// (component of a symbol type a wirelist cannot hold), 493 (a sheet could
// not be put back).
#pragma once

#include <string>

#include "wirelist/iwobj.h"

/// Results of iwgrpwrite and iwwrite.
enum IwWriteResult : int {
  IW_WRITE_OK = 0,
  IW_WRITE_NOTWRITABLE = 3,  // the group's library may not be written; nothing opened
  IW_WRITE_FAILED = 35,      // a sheet could not be written; saved copies put back
};

/// Writes every group iwgetgrp yields: 0, or 35 after the first group
/// whose writing failed (message 489).  A group that may not be written is
/// reported (482) and passed over.
int iwwrite();

/// Puts the design in canonical order and writes every sheet of group
/// (a MODULE group is first given a sheet 1): 0, 3 or 35.
int iwgrpwrite(IwGrp* group);

/// As iwgrpwrite for a design its caller has just put in canonical order
/// (sort_groups), so that writing many groups sorts the design once.
int iwgrpwrite_ordered(IwGrp* group);

/// The pin-order text of group's symbol: each pin name in pin-list order
/// after one blank ("?" for a pin without a name).  1, or 0 when the names need more than 16384
/// characters: the text then ends before the first name that does not fit
/// (message 488).
int i_get_pinord(const IwGrp* group, std::string* text);

/// Forgets the state of a write that ended early (for tests).
void iwwrite_reset();
