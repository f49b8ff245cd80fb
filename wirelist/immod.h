// wirelist/immod.h - changing the design in memory object by object.
//
// A tool (wlib's script edits, the heterogeneous-symbol pass) builds and
// changes a design through these calls: it creates libraries, groups,
// symbols, sheets, components, nets, symbol pins and attributes, connects
// and disconnects pins and symbol pins, renames, sets a net's global mark
// and attribute values, deletes components, attributes and groups, and
// saves groups and libraries through the wirelist writer
// (wirelist/iwwrite.h).
//
// The common contract: every call takes a status word as its last
// argument and sets it to 0 on entry.  It checks its arguments, in a
// fixed order, with the consistency checker (wirelist/iwcheck.h) before
// it changes anything; the first failing check leaves its status code in
// the word, reports a message of severity 2 whose first argument names
// the call (and, after " - ", the kind of object: "imclibgrp - LIB"), and
// the call returns null or 0 with the design exactly as it was.  The
// checker's own message (type, name, ownership) comes before the call's.
// Writability is checked with i_check_writable, so iwnochk_writable(1)
// switches it off.
//
// Names given to created objects are stored in upper case; library names
// are stored as given and compared ignoring case.  A component's name is
// its display name (its LABEL value when it has one): that is the name
// the sheets' tables and the netlist know it by.
//
// Every call that changes records moves the design generation on
// (iwgeneration, wirelist/iwsession.h), so that facts a client keeps by
// record address are not taken for the changed design; a refused call, or
// one with nothing to do, leaves it.
//
// The records keep the links wirelist/iwobj.h defines; the indexes beside
// long lists (wirelist/iwindex.h) are told of every list changed here, so
// a list past the index thresholds stays as fast and as exact as before.
#pragma once

#include "wirelist/iwobj.h"

/// Status codes of the operations, beside those of the checker (1 missing
/// object, 2 wrong type, 5 invalid name, 11 width mismatch, 24 creation
/// failure or nothing writable).
enum IwModStatus : int {
  IW_MOD_OK = 0,
  IW_MOD_NOTWRITABLE = 3,   // the library concerned may not be written
  IW_MOD_EXISTS = 4,        // an object of that name or number already exists
  IW_MOD_SYMNAME = 5,       // a symbol's name differs from its group's name
  IW_MOD_NORENAME = 6,      // the object cannot be renamed (a net with pins, a sheet, ...)
  IW_MOD_NAMEUSED = 7,      // another object of the new name is there
  IW_MOD_NOSPN = 8,         // the symbol pin argument is missing
  IW_MOD_SPNTYPE = 9,       // the symbol pin argument is of the wrong type
  IW_MOD_SPNTIED = 10,      // the symbol pin is already tied to a net
  IW_MOD_WIDTH = 11,        // pin or symbol pin and net differ in width
  IW_MOD_OTHERGROUP = 12,   // pin or symbol pin and net belong to different groups
  IW_MOD_NOPIN = 13,        // the pin argument is missing
  IW_MOD_PINTYPE = 14,      // the pin argument is of the wrong type
  IW_MOD_PINON = 15,        // the pin is already on a net
  IW_MOD_SPNNOTON = 16,     // the symbol pin is not tied to that net
  IW_MOD_PINNOTON = 17,     // the pin is not on that net
  IW_MOD_NOSYM = 18,        // the component's symbol is missing
  IW_MOD_SYMTYPE = 19,      // the component's symbol is of the wrong type
  IW_MOD_SHEETNUMBER = 20,  // sheet number not above 0 (or past 32767)
  IW_MOD_RECURSIVE = 21,    // placing the component would make the design recursive
  IW_MOD_DIRECTION = 22,    // invalid pin direction
  IW_MOD_VALUE = 23,        // invalid value (net type, missing attribute value)
  IW_MOD_NOTMADE = 24,      // the object could not be made, or the group has no library
  IW_MOD_NOTOWNED = 25,     // the attribute does not belong to the object
  IW_MOD_NODB = 32,         // the database could not be started or the library opened
  IW_MOD_LIBOPEN = 33,      // the library is already open
  IW_MOD_NOLIB = 34,        // no library of that name
  IW_MOD_MODE = 36,         // open mode other than "w" or "r"
};

// --- creation ------------------------------------------------------------------

/// The library object named name (case ignored), made at the head of the
/// library list, with the name as given, when none matches.  Null with
/// status 5 for an invalid name (437).
IwLib* imclib(const char* name, int* status);

/// A new group name (upper case) of library, at the head of the group
/// reference list and in the group table (the top group when it is the
/// first).  Checks: a library (435), the name (437), the library writable
/// (465, 3), no group of that name in this library (466, 4).
IwGrp* imclibgrp(IwLib* library, const char* name, int* status);

/// The group's symbol (type MODULE, number 1, no pins).  Checks: a group
/// (435), one with a library (467, 24), writable (465, 3), the name (437),
/// the name equal to the group's ignoring case (437, 5), no symbol yet
/// (466, 4).
IwSym* imcgrpsym(IwGrp* group, const char* name, int* status);

/// A new sheet `number` of group, placed in the group's sheet list in
/// ascending number order.  Checks in order: a group (435), one with a
/// library (467, 24), a number above 0 (496, 20), a writable library (465,
/// 3), no sheet of that number yet (466, 4).  Null on failure.
IwSch* imcgrpsch(IwGrp* group, int number, int* status);

/// A component name of the group of symbol comsym, placed on sheet
/// `number` of group (the sheet is made when missing), with one open pin
/// per symbol pin; group becomes COMPOSITE when it was MODULE or unknown.
/// Checks: a group (435), grpsym a symbol (435) and the group's own (481,
/// 1), comsym present (18) and a symbol (19), the name (437), no component
/// of that name in the group (466, 4), the sheet number (477, 20), no
/// recursion (478, 21), writable (465, 3).
IwCom* imcgrpcom(IwGrp* group, int number, IwSym* grpsym, IwSym* comsym, const char* name,
                 int* status);

/// A new local net name at the head of the group's net list.  Checks: a
/// group (435), the name (437; "?" stands for no net and is refused too),
/// writable (465, 3), grpsym a symbol (435) and the group's own (481, 1),
/// no net of that name (466, 4).
IwNet* imcgrpnet(IwGrp* group, IwSym* grpsym, const char* name, int* status);

/// A new symbol pin name at the end of symbol's pin list, its direction
/// kept as its PINTYPE attribute.  The pin number is its place in the
/// list, so `number` is not stored.  Checks: a symbol (435), the name
/// (437), the direction (i_check_direction, 22), writable (465, 3).
IwSpn* imcsymspn(IwSym* symbol, const char* name, int number, const char* direction, int* status);

/// A new attribute name without value on a pin, net, component, sheet,
/// symbol pin or symbol.  Checks: the object present (435, 1), the name
/// (437), writable (465, 3), an object that carries attributes (435, 2),
/// no attribute of that name on it (466, 4).
IwAtt* imcobjatt(void* object, const char* name, int* status);

/// As imcobjatt without the last check: a further attribute of that name.
IwAtt* imcobjdupatt(void* object, const char* name, int* status);

// --- connection -----------------------------------------------------------------

/// Puts pin at the head of net's ring: 1, or 0.  Checks: a net (435), the
/// pin present (13) and a pin (14), on no net (495, 15), as wide as the
/// net (473, 11), in the net's group (474, 12), both groups known (467,
/// 24), writable (465, 3).
int imanetpin(IwNet* net, IwPin* pin, int* status);

/// Ties the symbol pin to net: 1, or 0.  Checks: a net (435), the symbol
/// pin present (8) and one (9), tied to no net (469, 10), as wide as the
/// net (470, 11), of the net's group (471, 12), both groups known (467,
/// 24), writable (465, 3).
int imanetspn(IwNet* net, IwSpn* spn, int* status);

/// Takes pin off net: 1, or 0.  Checks: a net (435), the pin (13, 14), on
/// this net (476, 17), writable (465, 3).
int imdnetpin(IwNet* net, IwPin* pin, int* status);

/// Unties the symbol pin from net: 1, or 0.  Checks: a net (435), the
/// symbol pin (8, 9), tied to this net (475, 16), writable (465, 3).
int imdnetspn(IwNet* net, IwSpn* spn, int* status);

// --- setting --------------------------------------------------------------------

/// Makes net global (type -1, entered in the global net table) or local
/// (0, its entry removed): 1, or 0.  Checks: a net (435), the type (479,
/// 23), writable (465, 3).
int imsnettyp(IwNet* net, int type, int* status);

/// Sets the attribute's value (upper case): 1, or 0.  Checks: an attribute
/// (435), a value (437, 23), writable (465, 3).
int imsattval(IwAtt* attribute, const char* value, int* status);

// --- renaming: 1, or 0; a name equal to the present one does nothing ------------

/// Renames a net, component or attribute.  Checks: the object present
/// (435, 1), writable (465, 3), the name (437, 5), then those of the call
/// for its type; any other type cannot be renamed (536, 6).
int imsobjnam(void* object, const char* name, int* status);

/// Checks: a net (435), the name (437), no pins and no symbol pin tied to
/// it (464, 6), its group known (467, 24), no other net of that name (468,
/// 7), writable (465, 3).
int imsnetnam(IwNet* net, const char* name, int* status);

/// Checks: a component (435), the name (437), its sheet's group known
/// (467, 24), no other component of that name in the group (468, 7),
/// writable (465, 3).  A component with a LABEL attribute is known by its
/// label, so the label takes the new name as well.
int imscomnam(IwCom* component, const char* name, int* status);

/// Checks: an attribute (435), the name (437), no other attribute of that
/// name on its owner (468, 7), writable (465, 3).
int imsattnam(IwAtt* attribute, const char* name, int* status);

// --- deletion -------------------------------------------------------------------

/// Takes group out of the group table and the reference list and clears
/// its library link; its objects stay.  1, or 0.  Checks: a group (435),
/// writable (465, 3).
int imdgrp(IwGrp* group, int* status);

/// Takes component off sheet (list and table); its pins stay on their
/// nets, the caller detaches them first.  1, or 0.  Checks: a sheet (435),
/// a component (435) of that sheet (436, 25), writable (465, 3).
int imdschcom(IwSch* sheet, IwCom* component, int* status);

/// Deletes attribute from object's list.  1, or 0.  Checks: the object
/// present (435, 1), an attribute (435), writable (465, 3), one carried
/// by object (537, 25).
int imdobjatt(void* object, IwAtt* attribute, int* status);

// --- saving and opening -----------------------------------------------------------

/// Writes group (iwgrpwrite): 1 when the status, the writer's result, is 0.
/// A non-group is 435.
int imwgrpsave(IwGrp* group, int* status);

/// Writes every group of library, first making a library the program
/// created part of the project (prjInsertLib, mode "w"; failure 535, 24).
/// The status is the result of the last write; 1 when it is 0.  A missing
/// argument is 435 with 1, a non-library 435 with 2.
int imwlibsave(IwLib* library, int* status);

/// Opens library name of the library list in mode "w" or "r": starts the
/// database when it is not (failure 531, 32), and makes the library part
/// of the project in that mode (failure 535, 32).  Checks: the name (437,
/// 5), the mode (534, 36), a library of that name (533, 34) not open yet
/// (532, 33).
IwLib* iwlibopen(const char* name, const char* mode, int* status);
