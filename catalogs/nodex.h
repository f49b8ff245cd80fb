// catalogs/nodex.h - messages of the wirelist database (catalog "nodex").
//
// Compiled by rkmsgcmp into nodex.vmb; the code includes this header for
// the numbers.  Texts begin with their bracketed severity letter ([E]
// error, [W] warning, [I] note); the comment ending each line lists the
// printf arguments in order.  The database opens this catalog asking for
// at least version 5.1.0.  Keep the lines sorted by number.
#pragma once

// One message per line: the compiler reads each text from its own line.
// clang-format off

#define NODEX_CATALOG_APPLICATION -1 /* "nodex" */
#define NODEX_CATALOG_RELEASE -2 /* "5.2" */
#define NODEX_CATALOG_VERSION -3 /* "5.2.0" */

#define NDX_QKFREEAGAIN 217 /* "[W] A scratch buffer of the wirelist database was released twice; the second release is ignored." */  // (none)
#define NDX_NOMEMORY 233 /* "[E] The wirelist database ran out of memory." */  // (none)
#define NDX_QKUNKNOWN 251 /* "[E] A scratch buffer that the wirelist database never handed out was released." */  // (none)
#define NDX_TYPECONFLICT 282 /* "[E] Group %3$s is used as a %2$s symbol but was first used as a %1$s symbol; it stays a %1$s." */  // old symbol type name, new symbol type name, group name
#define NDX_VARSUCCESS 334 /* "[I] success" */  // (none); 334..345 are the texts of the variable store's codes 0..11
#define NDX_VARNOPUSH 335 /* "[W] no variable level left to open" */  // (none)
#define NDX_VARNOPOP 336 /* "[W] no variable level left to close" */  // (none)
#define NDX_VARCONFLICT 337 /* "[E] conflicting or invalid variable definition" */  // (none)
#define NDX_VARUNDEFINED 338 /* "[E] reference to an undefined variable" */  // (none)
#define NDX_VARTOOLONG 339 /* "[E] substituted text too long" */  // (none)
#define NDX_VARRECURSIVE 342 /* "[E] recursive variable reference" */  // (none)
#define NDX_VARNONAME 343 /* "[E] variable definition without a name" */  // (none)
#define NDX_VARNOFILE 344 /* "[E] variable definition file not found" */  // (none)
#define NDX_VARNOSTORE 345 /* "[E] variable store not initialised" */  // (none)
#define NDX_NOPOOL 400 /* "[E] Memory pool %d of the wirelist database does not exist." */  // pool number
#define NDX_NAMETABLE 414 /* "[E] The name %s could not be placed in the name table." */  // the name
