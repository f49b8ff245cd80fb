// util/rkrun.h - running an external command with names from design files.
//
// Three programs outside the system are handed names that come from
// design files: the checker that writes a wirelist again gets a group
// name, the PLD translator the names of a PLD's files, and the external
// netlisters of tsn.ini the name of a group.  Each command is built from
// a program part that the user controls (a program path the system
// found, or command text from the user's own settings) and name
// arguments, which are checked, since a design may come from anyone: a
// name holds only letters, digits and "_ . - $" and never begins with
// "-", which the program would take for an option (a group named -RF must
// not become "check -s -RF.1").  A name with "$" is quoted, so the shell
// does not expand it.
//
// A command may carry a length limit (the buffer its text is documented
// to fit in); a longer one does not run, as one with an unsafe name.
//
// The command runs through the shell (system) and is waited for; the
// status comes back as a number.  Nothing here prints: callers report a
// refused name, a command too long or a failed run with their own
// messages.
#pragma once

#include <cstddef>
#include <string>

/// A command being built.
struct RkCommand {
  std::string text;          // the command as the shell gets it
  std::string refused_name;  // the first name refused, "" when none
  bool refused = false;      // a name was refused: the command must not run
  std::size_t limit = 0;     // most characters the text may have, 0 for any number
};

/// True when name may be handed to a program as an argument: not empty,
/// only letters, digits and _ . - $, and not beginning with "-".
bool rkRunSafeName(const char* name);

/// Appends a program path as one word, quoted for the shell when it holds
/// anything but letters, digits and _ . / - (a path from a search may
/// hold blanks).
void rkRunProgram(RkCommand* cmd, const char* path);

/// Appends command text as it is: the user's own words, which may carry
/// options and shell syntax.  Empty or null text appends nothing.
void rkRunText(RkCommand* cmd, const char* text);

/// Appends one word made of prefix (fixed text such as "-n", may be null)
/// and name; false, with the command marked refused, when rkRunSafeName
/// refuses the name.
bool rkRunName(RkCommand* cmd, const char* prefix, const char* name);

/// True when the command has a limit and its text is longer.
bool rkRunTooLong(const RkCommand& cmd);

/// Runs the command through the shell after flushing every output stream
/// (what was written so far comes before the program's output) and waits
/// for it.  Returns the exit status (0..255; the shell gives 127 for a
/// program it cannot find), 128 + n when signal n ended it, or -1 when the
/// command was refused, is too long, is empty or could not be started.
int rkRunCommand(const RkCommand& cmd);
