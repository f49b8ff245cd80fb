// wirelist/wlib.h - wlib, the program for the people who keep design
// libraries: it loads a design as the netlister does and checks its
// groups or writes them back, standing on the wirelist database alone.
//
//   wlib check <design>    runs the consistency checker on every group of
//                          the design that is kept in a library; each
//                          finding is the checker's numbered messages and
//                          a line naming the group and the object.
//   wlib rewrite <design>  writes every group that has sheets and lives in
//                          a writable library back through the wirelist
//                          writer; the others are listed.
//   wlib edit <design> <script>
//                          applies a script of modification calls, one per
//                          line (wirelist/wlibedit.h), and saves the groups
//                          it names only when every line was accepted.
//
// With --hetero, check and rewrite first combine the sections of
// heterogeneous parts (wirelist/iwhetero.h).
//
// Commands come from one table (name, number of operands, function), so
// that commands and options can be added without touching the others.
// The conventions are those of the netlister: arguments that cannot be
// used print the usage text on standard error and end with exit code 3;
// a design that cannot be loaded ends with 3; texts come from the catalog
// "wlib" found beside the program; drafta.ini is found as the database
// always finds it.  Exit code 0 means every group passed (or was
// written), 1 that some group failed.
#pragma once

#include <string>
#include <vector>

#include "wirelist/iwobj.h"
#include "wirelist/wlibedit.h"

/// Exit codes of the program.
enum WlibExit : int {
  WLIB_EXIT_OK = 0,      // every group passed or was written
  WLIB_EXIT_FAILED = 1,  // some group failed the check or could not be written
  WLIB_EXIT_USAGE = 3,   // bad arguments, or the design cannot be loaded
};

/// Runs the program on its arguments (argv[0] is the program) and returns
/// the exit code; the caller ends the process with it.
int wlib_run(int argc, char** argv);

// --- shared by the commands ----------------------------------------------------

/// Prints numbered line `number` of the catalog "wlib" on standard output.
void wlib_say(int number, ...);

/// A text of the catalog without the numbered prefix (a fragment such as
/// the description of an object).
std::string wlib_fragment(int number, ...);

/// The design's groups that may hold wirelists (not port, PLD or unknown
/// symbols), in name order.
std::vector<IwGrp*> wlib_groups();

/// Writes group through the wirelist writer (ordered: the design is in
/// canonical order already) and says so (608, or 609 with the result);
/// the writer's result.
int wlib_write(IwGrp* group, bool ordered);
