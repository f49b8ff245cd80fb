// catalogs/wlib.h - messages of the library-maintenance program wlib
// (catalog "wlib").
//
// Compiled by rkmsgcmp into wlib.vmb beside the programs; the code
// includes this header for the numbers.  Texts begin with their bracketed
// severity letter ([E] error, [W] warning, [I] note) and are shown as
// "wlib-E-603: ...", like the database's own messages.  The comment ending
// each line lists the printf arguments in order.  Numbers 601 to 619 are
// the program's own lines, 620 and up name the objects a finding is about.
#pragma once

// One message per line: the compiler reads each text from its own line.
// clang-format off

#define WLIB_CATALOG_APPLICATION -1 /* "wlib" */
#define WLIB_CATALOG_RELEASE -2 /* "5.3" */
#define WLIB_CATALOG_VERSION -3 /* "5.3.1" */

#define WLIB_MSG_USAGE 601 /* "Usage: wlib <command> <design>\n\nCommands:\n      check <design>  check every group of the design that is kept in a library\n    rewrite <design>  write every group of a writable library back as wirelists\n\n<design> is the name of the top-level group; the libraries are those of drafta.ini.\nExit codes: 0 all is well, 1 a group failed, 3 bad arguments or a design that cannot be loaded.\n" */  // (none)
#define WLIB_MSG_LOADING 602 /* "[I] Loading design %s ..." */  // design name
#define WLIB_MSG_NOLOAD 603 /* "[E] The design %s cannot be loaded." */  // design name
#define WLIB_MSG_PASSED 604 /* "[I] Group %s passes the consistency check." */  // group name
#define WLIB_MSG_FAILED 605 /* "[W] Group %s fails the consistency check at %s (status %d)." */  // group name, the object (one of 620 to 627), checker status
#define WLIB_MSG_CHECKED 606 /* "[I] %d group(s) checked, %d failed." */  // groups checked, groups failed
#define WLIB_MSG_NOTCHECKED 607 /* "[I] Not checked, kept in no library: %s." */  // group names, blank-separated
#define WLIB_MSG_WRITTEN 608 /* "[I] Group %s written: %d sheet(s) in library %s." */  // group name, sheet count, library name
#define WLIB_MSG_NOTWRITTEN 609 /* "[W] Group %s could not be written (result %d)." */  // group name, writer result
#define WLIB_MSG_READONLY 610 /* "[I] Left alone, library %s may not be written: %s." */  // library name, group names, blank-separated
#define WLIB_MSG_REWRITTEN 611 /* "[I] %d group(s) written, %d failed." */  // groups written, groups that failed
#define WLIB_MSG_INITFAIL 612 /* "[E] The wirelist database cannot be started in this directory." */  // (none)

#define WLIB_OBJ_GROUP 620 /* "the group itself" */  // (none)
#define WLIB_OBJ_SYMBOL 621 /* "its symbol" */  // (none)
#define WLIB_OBJ_SYMPIN 622 /* "symbol pin %s" */  // pin name
#define WLIB_OBJ_SHEET 623 /* "sheet %d" */  // sheet number
#define WLIB_OBJ_COMPONENT 624 /* "component %s" */  // instance name
#define WLIB_OBJ_PIN 625 /* "pin %d of component %s" */  // pin number, instance name
#define WLIB_OBJ_NET 626 /* "net %s" */  // net name
#define WLIB_OBJ_ATTRIBUTE 627 /* "attribute %s of %s" */  // attribute name, its owner (one of 620 to 626)
