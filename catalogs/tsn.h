// catalogs/tsn.h - messages of the netlister (catalog "tsn").
//
// Compiled by rkmsgcmp into tsn.vmb; the code includes this header for the
// numbers.  These texts carry no severity prefix: the netlister counts and
// classifies a message by how it begins ("Error:", "Warning:", or blanks
// for a continuation line), so those beginnings must stay as they are.
// The comment ending each line lists the printf arguments in order.
#pragma once

// One message per line: the compiler reads each text from its own line.
// clang-format off

#define TSN_CATALOG_APPLICATION -1 /* "tsn" */
#define TSN_CATALOG_RELEASE -2 /* "5.2" */
#define TSN_CATALOG_VERSION -3 /* "5.2.0" */

#define TSN_MSG_VERSION 501 /* "5.2" */  // (none); the netlister compares this text with the version it expects
#define TSN_MSG_LOADING 502 /* "Loading the design database ..." */  // (none)
#define TSN_MSG_CANT_CREATE 503 /* "Error: Cannot create the file %s." */  // file path
#define TSN_MSG_DESC_LONG 504 /* "Long-format netlist of design %s." */  // top group name
#define TSN_MSG_DESC_SHORT 505 /* "Short-format netlist of design %s." */  // top group name
#define TSN_MSG_DESC_WIR 506 /* "Flattened wirelist of design %s." */  // top group name
#define TSN_MSG_DESC_FAULT 507 /* "Long-format netlist with fault-simulation records of design %s." */  // top group name
#define TSN_MSG_OAT_APPLIED 508 /* "Occurrence attributes were applied to the design." */  // (none)
#define TSN_MSG_OAT_NONE 509 /* "Warning: No occurrence attributes were applied to the design." */  // (none)
#define TSN_MSG_OAT_FAILED 510 /* "Error: The occurrence-attribute file could not be applied." */  // (none)
#define TSN_MSG_DTB_NOT_FOUND 511 /* "Error: Back-annotation file %s was not found." */  // file name or path
#define TSN_MSG_DTB_RECURSIVE 512 /* "Error: A back-annotation file names itself through DTB=; it is not read again." */  // (none)
#define TSN_MSG_DTB_UNKNOWN 513 /* "Error: Unknown back-annotation entry %s." */  // entry letter, as text
#define TSN_MSG_DTB_EMPTY 514 /* "Warning: Back-annotation file %s holds no entries." */  // file name
#define TSN_MSG_DTB_EMPTY2 515 /* "         Entries are read only between the lines %s and .AB." */  // the text ".BA"
#define TSN_MSG_DTB_SUMMARY 516 /* "Read %d component, %d pin and %d net entries from back-annotation file %s." */  // component count, pin count, net count (int), file name
#define TSN_MSG_ATTR_ERROR 517 /* "Error: %s in the value of attribute %s=%s" */  // error text, attribute name, raw value
#define TSN_MSG_ATTR_COMP 518 /* "       The attribute belongs to component %s of group %s." */  // component name, group name
#define TSN_MSG_ATTR_NET 519 /* "       The attribute belongs to net %s." */  // net name
#define TSN_MSG_PIN_DIRECTION 520 /* "Warning: Pin %s of %s has no known direction; its back-annotated delay is applied as to an input." */  // symbol pin name, group name
#define TSN_MSG_PIN_NOT_INPUT 521 /* "Warning: The delay back-annotated on pin %s is ignored: the pin is not an input." */  // back-annotated pin name
#define TSN_MSG_PLD_NO_JEDEC 522 /* "Error: A PLD component without a JEDEC attribute cannot be netlisted." */  // (none)
#define TSN_MSG_BAD_SYMTYPE 523 /* "Error: A component with an unsupported symbol type cannot be netlisted." */  // (none)
#define TSN_MSG_STOPS_HERE 524 /* "       Component %s (group %s) stops the netlist here." */  // hierarchical component name, group name
#define TSN_MSG_DTB_UNMATCHED 525 /* "Warning: %d back-annotation entries matched nothing in the design:" */  // entry count (int)
#define TSN_MSG_DTB_TOO_MUCH 533 /* "Error: Back-annotation file %s is not read, nor any file after it: the files of this run, nested ones counted each time they are named, may be read at most %d times and hold at most %d MB in all." */  // path, the read limit, the byte limit in MB (int)

// Parts of the netlister this version does not have: each says so when a
// run asks for it, rather than leave the user with a netlist silently
// missing what was asked for.
#define TSN_MSG_OAT_NOT_BUILT 527 /* "         This version of tsn does not read occurrence-attribute files such as %s." */  // file name

// External netlisters (SPAWN) that are not started, each named by the
// group handed to it and the first component met with its ACCEL value.
#define TSN_MSG_SPAWN_KEY_LONG 530 /* "Warning: No external netlister is started for group %s (component %s): its ACCEL attribute is longer than the %d characters a SPAWN key may have." */  // group name, hierarchical component name, the limit (int)
#define TSN_MSG_SPAWN_UNSAFE 531 /* "Warning: No external netlister is started for group %s (component %s): a name handed to a program may hold only letters, digits and _ . - $ and may not begin with -." */  // group name, hierarchical component name
#define TSN_MSG_SPAWN_CMD_LONG 532 /* "Warning: No external netlister is started for group %s (component %s): its command would be longer than %d characters." */  // group name, hierarchical component name, the limit (int)
