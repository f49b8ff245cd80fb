// wirelist/iwmsg.h - messages and the status line of the wirelist database.
//
// Every message of the database goes through iwmsghndlr with a catalog
// number (catalogs/nodex.h) and a severity: 1 note, 2 warning, 4 error,
// plus 8 for a continuation line that is written but not counted.
#pragma once

/// Issues catalog message number of the database with its arguments.
void iwmsghndlr(int severity, int number, ...);

/// Updates the status line: the object name (or null), its sheet, and the
/// action (1 reading, 2 freeing, 3 freeing nets, 4 updating, 5 flattening).
void iwstatus(const char* name, int sheet, int action);
