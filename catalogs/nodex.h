// catalogs/nodex.h - messages of the wirelist database (catalog "nodex").
//
// Compiled by rkmsgcmp into nodex.vmb; the code includes this header for
// the numbers.  Texts begin with their bracketed severity letter; the
// comment ending each line lists the printf arguments in order.  The
// database opens this catalog asking for at least version 5.1.0.
#pragma once

// One message per line: the compiler reads each text from its own line.
// clang-format off

#define NODEX_CATALOG_APPLICATION -1 /* "nodex" */
#define NODEX_CATALOG_RELEASE -2 /* "5.2" */
#define NODEX_CATALOG_VERSION -3 /* "5.2.0" */
