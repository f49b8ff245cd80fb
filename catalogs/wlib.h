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

#define WLIB_MSG_USAGE 601 /* "Usage: wlib check [--hetero] <design>\n       wlib rewrite [--hetero] <design>\n       wlib edit <design> <script>\n\nCommands:\n    check    check every group of the design that is kept in a library\n    rewrite  write every group of a writable library back as wirelists\n    edit     apply the modification calls of a script, one per line, and save\n             the groups it names only when every line was accepted\n\n--hetero combines the sections of heterogeneous parts before the groups are checked or written.\n<design> is the name of the top-level group; the libraries are those of drafta.ini.\nExit codes: 0 all is well, 1 a group failed or the script was rejected, 3 bad arguments, a script that cannot be read or a design that cannot be loaded.\n" */  // (none)
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
#define WLIB_MSG_PLDLEFT 613 /* "[I] Left alone, PLD-component groups, whose wirelists the PLD translator writes: %s." */  // group names, blank-separated
#define WLIB_MSG_NOLIBLEFT 614 /* "[I] Left alone, kept in no library: %s." */  // group names, blank-separated

#define WLIB_OBJ_GROUP 620 /* "the group itself" */  // (none)
#define WLIB_OBJ_SYMBOL 621 /* "its symbol" */  // (none)
#define WLIB_OBJ_SYMPIN 622 /* "symbol pin %s" */  // pin name
#define WLIB_OBJ_SHEET 623 /* "sheet %d" */  // sheet number
#define WLIB_OBJ_COMPONENT 624 /* "component %s" */  // instance name
#define WLIB_OBJ_PIN 625 /* "pin %d of component %s" */  // pin number, instance name
#define WLIB_OBJ_NET 626 /* "net %s" */  // net name
#define WLIB_OBJ_ATTRIBUTE 627 /* "attribute %s of %s" */  // attribute name, its owner (one of 620 to 626)
#define WLIB_OBJ_NAMEDGROUP 628 /* "group %s" */  // group name
#define WLIB_OBJ_NAMEDPIN 629 /* "pin %s of component %s" */  // symbol pin name, component name

#define WLIB_EDIT_UNREADABLE 630 /* "[E] The script %s cannot be read: %s." */  // script path, reason
#define WLIB_EDIT_REJECTED 631 /* "[E] Line %d of %s is rejected with status %d: %s" */  // line number, script path, status of the call, the line (shortened)
#define WLIB_EDIT_VERB 632 /* "[E] Line %d of %s: %s is not a command (create, connect, disconnect, rename, set, unset, delete, save)." */  // line number, script path, the first word (shortened)
#define WLIB_EDIT_FORM 633 /* "[E] Line %d of %s does not have the form %s." */  // line number, script path, the form of the command
#define WLIB_EDIT_BYTE 634 /* "[E] Line %d of %s holds byte 0x%02X at column %d, which is not text." */  // line number, script path, the byte, its column
#define WLIB_EDIT_LONGLINE 635 /* "[E] Line %d of %s is longer than %d characters." */  // line number, script path, the limit
#define WLIB_EDIT_LONGNAME 636 /* "[E] Line %d of %s has a name of %d characters (%s...); names are shorter than %d characters." */  // line number, script path, name length, its first characters, the limit
#define WLIB_EDIT_NOOBJECT 637 /* "[E] Line %d of %s names %s, which the design does not have." */  // line number, script path, the object (one of 620 to 629)
#define WLIB_EDIT_SHEET 638 /* "[E] Line %d of %s: %s is not a sheet number from 1 to %d." */  // line number, script path, the word, the limit
#define WLIB_EDIT_OPEN 639 /* "[E] Line %d of %s: pin %s of component %s is on no net." */  // line number, script path, pin name, component name
#define WLIB_EDIT_VALUE 640 /* "[E] Line %d of %s: an attribute value may not hold a backquote and has at most %d characters." */  // line number, script path, the limit
#define WLIB_EDIT_STOPPED 641 /* "[E] Nothing is saved: the script stops at line %d." */  // line number
#define WLIB_EDIT_ACCEPTED 642 /* "[I] Script %s: %d line(s) accepted, %d group(s) to save." */  // script path, lines with a command, groups to save
#define WLIB_EDIT_NOSAVE 643 /* "[I] Nothing is saved: the script has no save line." */  // (none)
