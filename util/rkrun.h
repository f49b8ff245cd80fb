// util/rkrun.h - running an external command with names from design files.
//
// A few programs outside the system are handed names that come from
// design files: the checker that writes a wirelist again gets a group
// name, and so will the PLD translator and the external netlisters.  A
// command is built from a program part that the user controls (a program
// path the system found, or command text from the user's own settings)
// followed by name arguments, which are checked, since a design may come
// from anyone: a name holds only letters, digits and "_ . - $" and never
// begins with "-", which the program would take for an option (a group
// named -RF must not become "check -s -RF.1").  A name with "$" is quoted,
// so the shell does not expand it.
//
// The command runs through the shell (system) and is waited for; the
// status comes back as a number.  Nothing here prints: callers report a
// refused name or a failed run with their own messages.
#pragma once

#include <string>

/// A command being built.
struct RkCommand {
  std::string text;          // the command as the shell gets it
  std::string refused_name;  // the first name refused, "" when none
  bool refused = false;      // a name was refused: the command must not run
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

/// Runs the command through the shell after flushing every output stream
/// (what was written so far comes before the program's output) and waits
/// for it.  Returns the exit status (0..255; the shell gives 127 for a
/// program it cannot find), 128 + n when signal n ended it, or -1 when the
/// command was refused, is empty or could not be started.
int rkRunCommand(const RkCommand& cmd);
