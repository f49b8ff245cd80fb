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

#define NDX_NOWIRSCH 175 /* "[E] Its schematic exists: check the schematic with the checker to write the wirelist." */  // (none)
#define NDX_REGENFAIL 200 /* "[W] Checking %s sheet %d again did not bring its wirelist up to date; wirelists are no longer regenerated in this run." */  // group name, sheet number
#define NDX_EARLYEOF 205 /* "[E] Wirelist %s ends before its EW record." */  // wirelist file name
#define NDX_QKFREEAGAIN 217 /* "[W] A scratch buffer of the wirelist database was released twice; the second release is ignored." */  // (none)
#define NDX_SRCLIB 218 /* "[W] The sources of wirelist %s are not in the library of the wirelist itself." */  // wirelist file name
#define NDX_SRCPATH 219 /* "[W] The %s file is %s." */  // directory kind, path
#define NDX_OUTOFDATE 220 /* "[W] The wirelist is older than its %s %s." */  // "schematic" or "symbol", source name followed by its path in parentheses
#define NDX_READASIS 221 /* "[W] The out-of-date wirelist %s is read as it is." */  // wirelist path
#define NDX_NOWIRELIST 222 /* "[E] Wirelist %s was not found in the libraries of the project." */  // wirelist file name
#define NDX_NOMEMORY 233 /* "[E] The wirelist database ran out of memory." */  // (none)
#define NDX_QKUNKNOWN 251 /* "[E] A scratch buffer that the wirelist database never handed out was released." */  // (none)
#define NDX_INIDIR 253 /* "[E] The initialization directory %s cannot be made into a path." */  // directory
#define NDX_TELLFAIL 256 /* "[E] The read position of wirelist %s cannot be read, so its pin orders cannot be checked; it is taken as out of date." */  // wirelist file name
#define NDX_SEEKFAIL 257 /* "[E] The read position of wirelist %s cannot be restored after its pin orders were checked; it is taken as out of date." */  // wirelist file name
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
#define NDX_REGENHINT 412 /* "[W] Run the checker on the schematic by hand to see why it cannot write the wirelist." */  // (none)
#define NDX_NAMETABLE 414 /* "[E] The name %s could not be placed in the name table." */  // the name
#define NDX_NOINIFILE 415 /* "[E] The %s file %s was found neither in the working directory nor in the directories of WDIR." */  // "initialization", file name
#define NDX_NOINIDIR 416 /* "[E] It is not in the initialization directory %s either (looked for %s there)." */  // directory, file name
#define NDX_PRJINIT 417 /* "[E] The project store cannot be started: %s." */  // what the store reports
#define NDX_BADINI 418 /* "[E] The library declarations of initialization file %s cannot be read." */  // file name
#define NDX_BADLIB 419 /* "[E] Library %s declared in %s cannot be used: %s (%s)." */  // library name, file name, what is wrong, where
#define NDX_NOPROJECT 420 /* "[E] The project in the working directory cannot be opened (project store status %d)." */  // store status
#define NDX_INITFAIL 421 /* "[E] The wirelist database cannot be initialized." */  // (none)
#define NDX_NOOATTAB 422 /* "[E] The occurrence-attribute table cannot be created." */  // (none)
#define NDX_CACHEFAIL 499 /* "[E] The project store cannot cache the libraries of the project (status %d)." */  // store status
#define NDX_RECACHEFAIL 500 /* "[E] The project store cannot re-read a regenerated wirelist (status %d)." */  // store status
