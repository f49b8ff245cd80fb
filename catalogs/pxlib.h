// catalogs/pxlib.h - messages of the path functions (catalog "pxlib").
//
// Compiled by rkmsgcmp into pxlib.vmb; the code includes this header for
// the numbers.  Texts begin with their bracketed severity letter; the
// comment ending each line lists the printf arguments in order.
#pragma once

// One message per line: the compiler reads each text from its own line.
// clang-format off

#define PXLIB_CATALOG_APPLICATION -1 /* "pxlib" */
#define PXLIB_CATALOG_RELEASE -2 /* "5.0" */
#define PXLIB_CATALOG_VERSION -3 /* "5.0.0" */

#define PXLIB_PARSE 1041 /* "[E] Path %s cannot be split into directory, name and extension (status %d: too long or invalid)." */  // path, status of pxParse
