// wirelist/iwrdsym.h - the symbol reader.
//
// A group's outside view comes from a symbol file written by the
// schematic editor, named after the group, a dot and the symbol number
// ("add4.1"), found in the libraries' "sym" directories under its lower
// case name.  The reader turns one file into a symbol of its group: the
// type ("Y"), attributes ("U"), and pins ("P") with their labels ("L") and
// attributes ("A"), where a "+" line continues the label or attribute
// before it.  Then it removes pins that repeat a name, puts the pins in
// their pin order (the symbol's PINORDER, else the group's pin-order file
// "<group>.pin", else alphabetically) and, with bus expansion on, splits
// every bus pin into single-bit pins.
//
// Problems in a file are reported through the database's message handler
// and the record is skipped; only a bad symbol number or a file that does
// not start with its "V" line gives no symbol.
#pragma once

#include <cstdio>
#include <string>

#include "wirelist/iwobj.h"

/// Reads the symbol file named filename ("<group>.<n>", converted to lower
/// case in place) from the libraries.  The symbol, or null for a bad
/// symbol number (message 398), a missing file (no message) or a file that
/// does not start with "V " (message 380).  The group and symbol are made
/// when missing, even when no file is read.
IwSym* iwreadsym(char* filename);

/// The same as iwreadsym.
IwSym* iwrdsym(char* filename);

/// Reads the group's symbol number 1 ("<group>.1").
IwSym* iwldasym(IwGrp* group);

/// Reads a symbol as iwreadsym does, from streams already open: sym is the
/// symbol file (null: no file), pinorder the group's pin-order file or
/// null, read only when the symbol has no PINORDER.  Neither is closed.
IwSym* iwrdsymstream(char* filename, std::FILE* sym, std::FILE* pinorder);

/// The text of a pin-order file of the libraries' sym directories (name
/// such as "<group>.pin" or "<group>.hpn", any case): its lines joined by
/// blanks, in upper case, at most 16384 characters (message 347 and the
/// rest dropped past that).  *found (when given) tells whether the file
/// was there; an absent file is the empty text.
std::string iwpinfile(const char* name, bool* found);
