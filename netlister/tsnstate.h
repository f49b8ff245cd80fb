// netlister/tsnstate.h - switches that hold for the whole run.
//
// The writers take shortcuts that rest on one assumption: a block placed
// many times writes the same records at every instance, apart from the
// path in front of its names.  They keep record plans and the bytes of
// records already written, write whole blocks as one piece, pass over
// nets that can write nothing in bulk, count the design once per stored
// component, and keep evaluated attribute values.  Each shortcut has the
// general path beside it, which walks and forms every occurrence as if
// for the first time.  Setting the environment variable TSN_NO_SHORTCUTS
// (to anything but "0" or nothing) makes every writer take the general
// path, so that the shortcuts can be checked against it: the output must
// be the same byte for byte.
#pragma once

/// False when TSN_NO_SHORTCUTS asks for the general path everywhere; read
/// from the environment once.
bool tsn_shortcuts();

/// Reads TSN_NO_SHORTCUTS again on the next tsn_shortcuts (tests).
void tsn_shortcuts_reset();
