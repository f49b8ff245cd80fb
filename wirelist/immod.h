// wirelist/immod.h - changing the design in memory object by object.
//
// Every operation checks its arguments with the consistency checker
// (wirelist/iwcheck.h) before it changes anything: on failure it leaves a
// status code in the caller's status word, reports a message of severity
// 2 whose first argument names the operation, and returns null without
// changing the design.  Writability is checked with i_check_writable, so
// iwnochk_writable(1) switches it off.
//
// Only what the wirelist writer needs is here so far: giving a group a
// numbered sheet.
#pragma once

#include "wirelist/iwobj.h"

/// Status codes of the operations, beside those of the checker.
enum IwModStatus : int {
  IW_MOD_OK = 0,
  IW_MOD_NOTWRITABLE = 3,   // the library concerned may not be written
  IW_MOD_EXISTS = 4,        // an object of that name or number already exists
  IW_MOD_SHEETNUMBER = 20,  // sheet number not above 0
  IW_MOD_NOTMADE = 24,      // the object could not be made, or the group has no library
};

/// A new sheet `number` of group, placed in the group's sheet list in
/// ascending number order.  Checks in order: a group (435), one with a
/// library (467, 24), a number above 0 (496, 20), a writable library (465,
/// 3), no sheet of that number yet (466, 4).  Null on failure.
IwSch* imcgrpsch(IwGrp* group, int number, int* status);
