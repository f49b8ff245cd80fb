// wirelist/wlibedit.h - wlib edit: a script of modification calls.
//
// A script is a text file of commands, one per line; blank lines and lines
// whose first word starts with "#" or "|" are comments.  Words are
// separated by blanks or tabs; command and kind words may be written in
// any case, names are taken in upper case as the database keeps them.
//
//   create <group> <sheet> <of-group> <name>   a component of <of-group> on
//                                              that sheet of <group>
//   connect <group> <component> <pin> <net>    pin (by name) onto the net,
//                                              made when the group has none
//   disconnect <group> <component> <pin>       pin off its net
//   rename net <group> <old> <new>             a net, its pins and port kept
//   rename component <group> <old> <new>
//   set <object> <attribute> <value>           the value is the rest of the
//                                              line; the attribute is made
//                                              when missing
//   unset <object> <attribute>                 deletes the attribute
//   delete component <group> <name>            takes its pins off their nets
//   save [<group>]                             writes the group, or every
//                                              group the script changes
//
// where <object> is "component <group> <name>", "net <group> <name>",
// "pin <group> <component> <pin>", "sheet <group> <number>", "symbol
// <group>" or "port <group> <pin>".
//
// Each line is one or a few calls of the modification API
// (wirelist/immod.h).  The first line that cannot be applied stops the
// script: its reason (the database's messages, or the program's own for a
// line that is not a command) and a line naming the line number and the
// call's status are printed, and nothing is saved.  Saves wait until the
// last line was accepted, so a rejected script leaves every file as it
// was; they go through the wirelist writer (a saved copy, a temporary file
// renamed over the old one).
#pragma once

#include <string>
#include <vector>

/// A script read into memory, up to its first line that cannot be a
/// command (too long, or holding a byte that is not text).
struct WlibScript {
  std::string path;                // as given
  std::vector<std::string> lines;  // without their line ends
  int badline = 0;                 // number of the line found bad while reading, 0 for none
  int badmsg = 0;                  // its message (634 or 635)
  int badbyte = 0;                 // the byte of 634
  int badcolumn = 0;               // its column
};

/// Reads the script at path; false (after message 630) when it cannot be
/// read as a regular file.
bool wlib_edit_read(const std::string& path, WlibScript* script);

/// Applies the script to the loaded design and saves what it asks for:
/// 0 when every line was accepted and every save succeeded, 1 otherwise.
int wlib_edit(const WlibScript& script);
