// wirelist/iwcheck.h - the consistency checker of the wirelist database.
//
// Verifies that a group in memory is structurally sound before it is
// written (wirelist/iwwrite.h), and offers the elementary checks that
// changes to the design apply to their arguments: object type, owner,
// name, name order, pin widths, writability, pin direction and recursion.
// It repairs nothing.  Each check returns 1 (pass) or 0 (fail), leaves a
// status code (IwCheckStatus) in the caller's status word and reports the
// failure as a message of severity 2 (catalog numbers 433 to 463, 494 and
// 498).  When a check calls another, the inner check's message comes
// first and the caller's context message ("iwcheckgrp - NET") after it.
//
// iwcheckgrp walks a group in a fixed order (symbol, its attributes and
// pins; each sheet with its attributes, components and their pins; then
// the nets) and stops at the first failure; iwcheckobj then names the
// object it stopped at.  Everything is linear in the size of the group:
// duplicate symbol pin names are found through a table, not by comparing
// every pair.
#pragma once

#include "wirelist/iwobj.h"

/// Status codes the checks leave in the status word.
enum IwCheckStatus : int {
  IW_CHK_OK = 0,
  IW_CHK_MISSING = 1,       // object (or owner) missing
  IW_CHK_WRONGTYPE = 2,     // wrong object type, or a type the check does not know
  IW_CHK_BADNAME = 5,       // invalid name
  IW_CHK_LIBOWNER = 6,      // a library has no owner
  IW_CHK_WIDTH = 11,        // a pin's net and its symbol pin differ in width
  IW_CHK_SPNUNTIED = 16,    // symbol pin of a non-primitive symbol tied to no net
  IW_CHK_NOSYMBOL = 18,     // component without symbol
  IW_CHK_NOTWRITABLE = 24,  // object or library not writable, or no library found
  IW_CHK_OWNER = 25,        // owner is not the expected object
  IW_CHK_PINCOUNT = 26,     // symbol pin count wrong
  IW_CHK_COMORDER = 27,     // components out of name order
  IW_CHK_DUPNAME = 28,      // two symbol pins or two components of the same name
  IW_CHK_NETORDER = 29,     // nets out of name order
  IW_CHK_NETTWICE = 30,     // two nets of one group with the same name
  IW_CHK_ATTORDER = 31,     // attributes out of name order
};

/// 1 when every group (iwgetgrp order) passes iwcheckgrp; at the first
/// group that fails, message 463 and 0.  *status is set to 0 first.
int iwcheck(int* status);

/// 1 when group passes every step of the group check, else 0 after the
/// first failing step (its messages, its status).
int iwcheckgrp(IwGrp* group, int* status);

/// The object the last iwcheckgrp stopped at (the group, its symbol, a
/// symbol pin, sheet, component, pin, net or attribute), null after a pass.
const void* iwcheckobj();

/// 1 when object is of type code type; else status 1 (null, message 433)
/// or 2 (message 434 with both type names).
int i_check_otype(const void* object, int type, int* status);

/// 1 when object's owner is owner; else status 1 (null object or owner,
/// 433), 25 (another owner, 436), 6 (a library, 439) or 2 (unknown type,
/// 440).
int i_check_owner(const void* object, const void* owner, int* status);

/// 1 when name is valid: present (433), not empty (441), shorter than 256
/// characters (494), without apostrophe or line end (498); else status 5.
int i_check_name(const char* name, int* status);

/// 1 when attribute is an attribute (435), owned by owner (436), validly
/// named (437) and in name order with the next one (438).
int i_check_att(IwAtt* attribute, const void* owner, int* status);

/// 1 when the name does not sort after the next one's in its list (equal
/// attribute names pass); else 31 (452), 29/30 (450/451) or 27/28
/// (448/449).  The last of a list always passes.
int i_check_attnames(const IwAtt* attribute, int* status);
int i_check_netnames(const IwNet* net, int* status);
int i_check_comnames(const IwCom* component, int* status);

/// 1 when the symbol pin belongs to a MODULE symbol or is tied to a net;
/// else 16 (442) or the type check's status (443).
int i_check_spnnet(IwSpn* spn, int* status);

/// 1 when the component has a symbol (18, 444) whose declared pin count is
/// above 0 (26, 445) and equals the length of its pin list (26, 446).
int i_check_comspncnt(const IwCom* component, int* status);

/// 1 when the pin has a symbol pin and is open, or its net is as wide as
/// its symbol pin's name; else 11 (447) or a type check's status.
int i_check_pinspn(const IwPin* pin, int* status);

/// 1 when object may be changed: its library is writable in the project
/// store, or the check is off (iwnochk_writable).  Else 0 with status 24
/// (null object 433, no library 435) or 2 (unknown type, 435).
int i_check_writable(const void* object, int* status);

/// 1 when text is one of ANALOG BI IN OUT OCL OEM TRI UNDEFINED_DIRECTION
/// (case matters); a text starting with none of A B I O T U is message 454.
int i_check_direction(const char* text);

/// 0 when *flag is already 1 (message 455) or when a component anywhere
/// below group g instantiates group t (then *flag becomes 1); else 1.
int i_check_recgrp(IwGrp* g, IwGrp* t, int* flag);

/// The number of signals a net or pin name stands for (a bus name's
/// width, 1 for a plain name).
int iwnamewidth(const char* name);

/// 1 when object is present and its type code is 1 to 9.
int i_check_usable(const void* object);

/// Forgets the object iwcheckobj names (for tests).
void iwcheck_reset();
