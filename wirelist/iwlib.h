// wirelist/iwlib.h - the library list of the wirelist database.
//
// One library object (IwLib, type 9) per library of the project, holding
// the library's handle in the project store and its name (upper case).
// The list is filled from the store by iwaddlibs, newest first; the
// look-ups fill it first when it is empty.  Names are compared ignoring
// case; a library object holds the name as the store gives it.  The
// public way to make one is imclib (wirelist/immod.h).
#pragma once

#include "wirelist/iwobj.h"

/// Adds a library object for every library of the project.
void iwaddlibs();

/// Null gives the first library object, otherwise the one after library.
IwLib* iwgetlibs(IwLib* library);

/// The library object with that store handle, or null.
IwLib* ignxlib(int handle);

/// The store handle of a library object, 0 for null.
int igprjlib(const IwLib* library);

/// The library holding group: its library field when set (null when that
/// is not a library), else the library where the group's first wirelist
/// sheet, or failing that its symbol, is found; null for a non-group.
IwLib* iggrpown(const IwGrp* group);

/// The name of a library object, null when the object is not a library.
const char* iglibnam(const IwLib* library);
