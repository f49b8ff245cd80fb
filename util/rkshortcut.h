// util/rkshortcut.h - the switch that turns the programs' shortcuts off.
//
// Every speed shortcut of the programs (the netlister's writers, the
// database's indexes beside long lists) has its general path beside it,
// and the environment variable TSN_NO_SHORTCUTS sends a run down the
// general path so that the two can be compared byte for byte.  Its value
// is a list of shortcut names (rkShortcutNames, separated by commas or
// blanks) to turn off those alone, or anything else but "0" or nothing to
// turn off all.  The names live here, below the netlister and the
// database, because both answer to the one switch; the netlister keeps
// what it read in its own state (netlister/tsnstate.h).
#pragma once

#include <cstddef>

/// The names the switch knows; bit n of a shortcut mask is name n.
inline constexpr const char* rkShortcutNames[] = {"census", "plans", "bytes", "blocks", "quiet",
                                                  "values", "paths", "ports", "scopes", "indexes"};

/// The shortcuts a value of TSN_NO_SHORTCUTS leaves on, as a mask: all
/// for null, "" or "0"; all but the named ones for a list of names; none
/// for anything else (a word it does not know turns off everything, to be
/// safe).
unsigned rkShortcutsLeft(const char* value);

/// The position of name in rkShortcutNames, or the table's size.
std::size_t rkShortcutIndex(const char* name);
