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

#define NDX_SIGNALNOSEMI 128 /* "[E] The SIGNAL attribute of %s %s has no ';' between its kind and its signal names; it is dropped." */  // "component" or "symbol", instance or group name
#define NDX_NOWIRSCH 175 /* "[E] Its schematic exists: check the schematic with the checker to write the wirelist." */  // (none)
#define NDX_GBLRENAME 180 /* "[I] Net %s of group %s is connected through a port to a global net below it and takes its name." */  // net name, group name
#define NDX_GBLRENAME2 181 /* "[I] The global net below is %s of group %s, reached through component %s." */  // lower net name, lower group name, component name
#define NDX_GBLRENAME3 182 /* "[I] The net is renamed and becomes a global net." */  // (none)
#define NDX_GBLCLASH 183 /* "[W] Local net %s of group %s has the name of a global net of the design." */  // net name, group name
#define NDX_PLDREADONLY 190 /* "[E] The PLD wirelist cannot be written: %s is in a read-only library." */  // fuse-map or wirelist file name
#define NDX_REGENFAIL 200 /* "[W] Checking %s sheet %d again did not bring its wirelist up to date; wirelists are no longer regenerated in this run." */  // group name, sheet number
#define NDX_EOFBEFOREEW 205 /* "[E] The wirelist file %s ends before its EW record." */  // file name
#define NDX_QKFREEAGAIN 217 /* "[W] A scratch buffer of the wirelist database was released twice; the second release is ignored." */  // (none)
#define NDX_SRCLIB 218 /* "[W] The sources of wirelist %s are not in the library of the wirelist itself." */  // wirelist file name
#define NDX_SRCPATH 219 /* "[W] The %s file is %s." */  // directory kind, path
#define NDX_OUTOFDATE 220 /* "[W] The wirelist is older than its %s %s." */  // "schematic" or "symbol", source name followed by its path in parentheses
#define NDX_READASIS 221 /* "[W] The out-of-date wirelist %s is read as it is." */  // wirelist path
#define NDX_NOWIRELIST 222 /* "[E] Wirelist %s was not found in the libraries of the project." */  // wirelist file name
#define NDX_CLOSEFAIL 226 /* "[E] Wirelist %s could not be closed after it was read." */  // file name
#define NDX_PLDGROUPS 227 /* "[E] Components of group %s and of group %s cannot both be of PLD type %s; the wirelist is not read." */  // group of the new component, group of the earlier one, PLD type (PLD-component name)
#define NDX_NOMEMORY 233 /* "[E] The wirelist database ran out of memory." */  // (none)
#define NDX_BROKENFILE 234 /* "[E] Wirelist %s sheet %d is marked as broken by the program that wrote it; it is not read." */  // file name, sheet number
#define NDX_BROKENFILE2 235 /* "[E] Check its schematic and write the wirelist again." */  // (none)
#define NDX_DWNONAME 241 /* "[E] The DW record of wirelist %s names no group." */  // file name
#define NDX_GBLCONFLICT 246 /* "[W] Global net %s of group %s is connected through a port to a global net of another name below it." */  // net name, group name
#define NDX_GBLCONFLICT2 247 /* "[W] The global net below is %s of group %s." */  // lower net name, lower group name
#define NDX_GBLCONFLICT3 248 /* "[W] Net %s keeps its name, so the two global nets stay apart." */  // net name
#define NDX_BUSTOOLONG 249 /* "[E] A signal name of the bus %s is too long." */  // bus name
#define NDX_BUSNULLARG 250 /* "[E] Nothing can be made of %s: a name, buffer or group it needs is missing." */  // bus name, or the name of a heterogeneous section without a group
#define NDX_QKUNKNOWN 251 /* "[E] A scratch buffer that the wirelist database never handed out was released." */  // (none)
#define NDX_INIDIR 253 /* "[E] The initialization directory %s cannot be made into a path." */  // directory
#define NDX_TELLFAIL 256 /* "[E] The read position of wirelist %s cannot be read, so its pin orders cannot be checked; it is taken as out of date." */  // wirelist file name
#define NDX_SEEKFAIL 257 /* "[E] The read position of wirelist %s cannot be restored after its pin orders were checked; it is taken as out of date." */  // wirelist file name
#define NDX_PLDPATHSPLIT 258 /* "[E] The path of fuse map %s cannot be taken apart to place its PLD wirelist." */  // fuse-map path
#define NDX_PLDPATHUP 259 /* "[E] The directory above %s, where the PLD wirelist belongs, cannot be formed." */  // fuse-map directory
#define NDX_PLDPATHWIR 260 /* "[E] The wir directory below %s, where the PLD wirelist belongs, cannot be formed." */  // directory above the fuse map's
#define NDX_PLDPATHFILE 261 /* "[E] The path of PLD wirelist %s in %s cannot be formed." */  // wirelist file name, its directory
#define NDX_BUSBRACKETS 269 /* "[E] The brackets or braces of the bus name %s do not match." */  // bus name
#define NDX_BUSILLEGAL 270 /* "[E] The bus name %s has an illegal character or radix letter in a subscript." */  // bus name
#define NDX_BUSMALFORMED 271 /* "[E] The bus name %s has an empty, extra or malformed subscript field or repetition count." */  // bus name
#define NDX_BUSDIGIT 272 /* "[E] The bus name %s has a subscript digit that does not belong to its radix." */  // bus name
#define NDX_BUSRANGE 273 /* "[E] The bus name %s has a subscript value, field or width that is too large." */  // bus name
#define NDX_BUSZEROSTEP 274 /* "[E] The bus name %s has a subscript step of 0." */  // bus name
#define NDX_NOGROUPNAME 275 /* "[E] No group name was given, so no design can be loaded." */  // (none)
#define NDX_PINORDERCOUNT 277 /* "[E] The PINORDER attribute of group %s names a different number of pins than its symbol has." */  // group name
#define NDX_APPINNUMBER 278 /* "[E] Pin number %d in an AP record of group %s names no pin; the record is dropped." */  // pin number, group name
#define NDX_APINOPIN 279 /* "[E] Pin %d named by an API record of group %s on sheet %d does not exist; the attribute is not added to it." */  // pin index, group name, sheet number
#define NDX_UNKNOWNRECORD 281 /* "[E] Unknown record %s in wirelist %s sheet %d; the rest of its line is skipped." */  // first word of the record, file name, sheet number
#define NDX_TYPECONFLICT 282 /* "[E] Group %3$s is used as a %2$s symbol but was first used as a %1$s symbol; it stays a %1$s." */  // old symbol type name, new symbol type name, group name
#define NDX_TOOFEWNETS 285 /* "[E] The I record of component %s in group %s has fewer nets than the component has pins." */  // instance name, group name
#define NDX_UNKNOWNINST 286 /* "[E] The I record names component %s, which no M or W record placed on group %s sheet %d." */  // instance name, group name, sheet number
#define NDX_PORTNOI 287 /* "[E] A P record of group %s sheet %d is not followed by its I line; the port is dropped." */  // group name, sheet number
#define NDX_PORDCOUNT 293 /* "[E] The pin order of group %2$s does not name as many pins as its symbol has (%1$d); the pins keep the order of the symbol file." */  // pin count, group name
#define NDX_PORDCOUNT2 294 /* "[E] The pin order names %d pins." */  // number of names in the pin order
#define NDX_PORDNOPIN 295 /* "[E] The pin order names %s, which is not a pin of the symbol." */  // the name
#define NDX_PORDNOPIN2 296 /* "[E] The name is ignored for the symbol of group %1$s." */  // group name, 1 (not shown)
#define NDX_SYMBADLABEL 297 /* "[E] Line %1$d of a symbol file of group %2$s has an L record without a pin to name or without a label; the record is ignored." */  // line number, group name, 1 (not shown)
#define NDX_SYMBADPINATT 298 /* "[E] Line %1$d of a symbol file of group %2$s has an A record without a pin or without an attribute; the record is ignored." */  // line number, group name, 1 (not shown)
#define NDX_SYMBADSYMATT 299 /* "[E] Line %1$d of a symbol file of group %2$s has a U record without an attribute; the record is ignored." */  // line number, group name, 1 (not shown)
#define NDX_SYMEMPTYCONT 300 /* "[E] Line %1$d of a symbol file of group %2$s is an empty continuation line." */  // line number, group name, 1 (not shown)
#define NDX_APIFEWBITS 302 /* "[W] Pin %s of width %d of component %s gets fewer pin numbers than it has bits." */  // pin name, pin width, instance name
#define NDX_APIFEWBITS2 303 /* "[W] The pin numbers %s give only %d values." */  // pin numbers, their count
#define NDX_APIMANYBITS 304 /* "[W] The pin numbers %1$s give %2$d values, more than the %4$d bits of pin %3$s." */  // pin numbers, their count, pin name, pin width
#define NDX_APIMANYBITS2 305 /* "[W] The extra pin numbers of component %s are ignored." */  // instance name
#define NDX_SECONDLABEL 313 /* "[W] Component %s of group %s has two labels, %s and %s; both are kept." */  // instance name, group name, old label, new label
#define NDX_APFEWBITS 315 /* "[W] Pin %s of width %d of group %s gets fewer pin numbers than it has bits." */  // pin name, pin width, group name
#define NDX_APFEWBITS2 316 /* "[W] The pin numbers %s give only %d values." */  // pin numbers, their count
#define NDX_APMANYBITS 317 /* "[W] The pin numbers %1$s give %2$d values, more than the %4$d bits of pin %3$s." */  // pin numbers, their count, pin name, pin width
#define NDX_APMANYBITS2 318 /* "[W] The extra pin numbers of group %s are ignored." */  // group name
#define NDX_PORTNETWIDER 319 /* "[W] The net %s of a port is %d bits wide, %d bits more than its pin; the extra bits stay unconnected." */  // net name, net width, difference
#define NDX_PORTNETWIDER2 320 /* "[W] The port pin is %s, %d bits wide." */  // pin name, pin width
#define NDX_PORTPINWIDER 321 /* "[W] Port pin %s is %d bits wide, but its net %s has only %d bits." */  // pin name, pin width, net name, net width
#define NDX_PORTPINWIDER2 322 /* "[W] The pin bits beyond the width of the net stay unconnected." */  // (none)
#define NDX_INSTWIDTH 323 /* "[W] Pin %2$s of component %1$s is %3$d bits wide, but the net given for it is not." */  // instance name, pin name, pin width
#define NDX_INSTWIDTH2 324 /* "[W] The net %s given for it has %d bits." */  // net name as written, its number of bits
#define NDX_INSTSHORT 325 /* "[W] The last %d bits of the pin stay unconnected." */  // number of unconnected bits
#define NDX_INSTEXCESS 326 /* "[W] The last %d bits of the net are ignored." */  // number of ignored bits
#define NDX_NOPINORDER 327 /* "[E] Group %s has no pin order for this pin position, so its bus pins cannot be matched." */  // group name
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
#define NDX_TOKENLONG 347 /* "[E] A text longer than %d characters was read; the rest of it is dropped." */  // the limit (tokens of a wirelist, a heterogeneous pin-order file)
#define NDX_TOKENNUL 348 /* "[E] Wirelist %s sheet %d holds a NUL byte in the text %s; the rest of the line is skipped." */  // file name, sheet number, the text with each NUL shown as ^@
#define NDX_TOOMANYSHEETS 349 /* "[E] Group %s cannot have more than %d sheets; sheet %d and the sheets after it are not read." */  // group name, the limit, first sheet not read
#define NDX_TOOMANYPINS 350 /* "[E] Port %s would give group %s more than %d pins; it and the rest of its record are dropped." */  // pin name, group name, the limit
#define NDX_CANTREAD 351 /* "[E] The %s file %s cannot be read: %s." */  // kind of file ("wirelist", "symbol", "initialization", ...), path, reason
#define NDX_UNSAFENAME 352 /* "[W] The checker is not run for group %s: a name handed to a program may hold only letters, digits and _ . - $ and may not begin with -." */  // group name
#define NDX_PLDUNSAFE 353 /* "[W] The PLD translator is not run for component %s of group %s: a name handed to a program may hold only letters, digits and _ . - $ and may not begin with -, unlike %s." */  // component display name, group name, the name refused
#define NDX_PLDSHORT 354 /* "[E] An F record of wirelist %s (sheet %d) ends before its PLD names; the wirelist is not read." */  // file name, sheet number
#define NDX_SYMNUL 356 /* "[E] Symbol file %s holds a NUL byte in line %d; the line is skipped." */  // file name, line number
#define NDX_OLDVERSION 363 /* "[W] Wirelist %s sheet %d has the old format version %g." */  // file name, sheet number, version
#define NDX_OLDVERSION2 364 /* "[W] Commas in its PINORDER attributes separate pin names." */  // (none)
#define NDX_DWMISMATCH 376 /* "[E] The DW record names the group %s." */  // group name of the record
#define NDX_DWMISMATCH2 377 /* "[E] That is not the group of the wirelist %s, so the file is not read." */  // file name
#define NDX_KMISPLACED 379 /* "[E] The K record of wirelist %s does not directly follow its V record." */  // file name
#define NDX_SYMNOVERSION 380 /* "[E] The symbol file %s does not start with a V line." */  // file name
#define NDX_SYMKMISPLACED 381 /* "[E] The symbol file %s has a K record that is not the first record after its V line." */  // file name
#define NDX_BADVERSION 382 /* "[E] Wirelist %s has a misplaced V record or a format version this program cannot read." */  // file name
#define NDX_SECONDDW 383 /* "[E] Wirelist %s has more than one DW record." */  // file name
#define NDX_SYMBADNUMBER 398 /* "[E] The symbol file name %s has no valid symbol number after its last dot." */  // file name
#define NDX_SYMBADTYPE 399 /* "[E] Symbol type %s in the symbol file %s is not known; the type is not changed." */  // type number as written, file name
#define NDX_NOPOOL 400 /* "[E] Memory pool %d of the wirelist database does not exist." */  // pool number
#define NDX_PLDDIFFER 401 /* "[E] Two PLD components of one PLD type name different PLD module or delay-binning files; the wirelist is not read." */  // (none)
#define NDX_PLDDIFFER2 402 /* "[E] Component %s of group %s (sheet %d) is programmed as %s with delay-binning file %s and PLD module %s," */  // component display name, group name, sheet number, PLD type, delay-binning name, PLD module name
#define NDX_PLDDIFFER3 403 /* "[E] but an earlier component of that type names other files:" */  // (none used; given the arguments of 402)
#define NDX_PLDDIFFER4 404 /* "[E] component %s of group %s (sheet %d) is programmed as %s with delay-binning file %s and PLD module %s." */  // component display name, group name, sheet number, PLD type, delay-binning name, PLD module name
#define NDX_PLDNOMOD 405 /* "[E] The symbol of PLD type %s has no PLDMOD attribute naming its PLD module; the wirelist is not read." */  // PLD type (PLD-component group name)
#define NDX_PLDNODLY 406 /* "[E] The symbol of PLD type %s has no DLYBIN attribute naming its delay-binning file; the wirelist is not read." */  // PLD type (PLD-component group name)
#define NDX_PLDNOMODFILE 407 /* "[E] The PLD module file %s.pld was not found." */  // PLD module name
#define NDX_PLDNOJED 408 /* "[E] The fuse map %s.jed was not found." */  // PLD type (PLD-component name)
#define NDX_PLDNODLYFILE 409 /* "[E] The delay-binning file %s.var was not found." */  // delay-binning name
#define NDX_PLDNOWIR 410 /* "[E] So the wirelist of PLD type %s, used in group %s, can be neither read nor made; the wirelist is not read." */  // PLD type (PLD-component name), group name
#define NDX_ATTNAMELONG 411 /* "[E] An attribute name of %d characters or more, %s..., was found in %s; the rest of the record's attributes is ignored." */  // the limit, the name so far, the attribute text
#define NDX_REGENHINT 412 /* "[W] Run the checker on the schematic by hand to see why it cannot write the wirelist." */  // (none)
#define NDX_PORTNOPIN 413 /* "[E] Port %s is not a pin of the symbol of group %s (sheet %d); the port is dropped." */  // pin name, group name, sheet number
#define NDX_NAMETABLE 414 /* "[E] The name %s could not be placed in the name table." */  // the name
#define NDX_NOINIFILE 415 /* "[E] The %s file %s was found neither in the working directory nor in the directories of WDIR." */  // "initialization", file name
#define NDX_NOINIDIR 416 /* "[E] It is not in the initialization directory %s either (looked for %s there)." */  // directory, file name
#define NDX_PRJINIT 417 /* "[E] The project store cannot be started: %s." */  // what the store reports
#define NDX_BADINI 418 /* "[E] The library declarations of initialization file %s cannot be read." */  // file name
#define NDX_BADLIB 419 /* "[E] Library %s declared in %s cannot be used: %s (%s)." */  // library name, file name, what is wrong, where
#define NDX_NOPROJECT 420 /* "[E] The project in the working directory cannot be opened (project store status %d)." */  // store status
#define NDX_INITFAIL 421 /* "[E] The wirelist database cannot be initialized." */  // (none)
#define NDX_NOOATTAB 422 /* "[E] The occurrence-attribute table cannot be created." */  // (none)
#define NDX_ALIASMERGE 424 /* "[I] Net %s of group %s absorbs its alias, net %s of group %s." */  // surviving net name, its group name, absorbed net name, its group name
#define NDX_ALIASMERGE2 425 /* "[I] The pins and attributes of net %2$s now belong to net %1$s, which keeps %2$s as a NET_ALIAS attribute." */  // surviving net name, absorbed net name
#define NDX_ALIASPORTS 426 /* "[I] Net aliases in group %s would join nets tied to different ports of the group." */  // group name
#define NDX_ALIASPORTS2 427 /* "[I] Net %s is tied to port %s." */  // net name, symbol pin name
#define NDX_ALIASPORTS3 428 /* "[E] Nets tied to different ports cannot be aliased together; these aliases are not merged." */  // (none)
#define NDX_ALIASWIDTH 429 /* "[I] In group %s the alias %s is %d bits wide, but its alias %s is %d bits wide." */  // group name, first member name, its width, member name, its width
#define NDX_ALIASERROR 430 /* "[E] The aliased nets cannot be merged as given: %s" */  // what is wrong, as a sentence
#define NDX_CHKNULL 433 /* "[W] %s: an object the check needs is missing." */  // where the check failed
#define NDX_CHKOTYPE 434 /* "[W] %s: the object is of type %s where %s is expected." */  // check name, type name of the object, expected type name
#define NDX_CHKTYPE 435 /* "[W] %s: an object of the wrong type was met." */  // where the check failed
#define NDX_CHKOWNER 436 /* "[W] %s: the object does not belong to the object that should own it." */  // where the check failed
#define NDX_CHKNAME 437 /* "[W] %s: the name is not valid." */  // where the check failed
#define NDX_CHKATTORDER 438 /* "[W] %s: the attributes are not in name order." */  // where the check failed
#define NDX_CHKLIBOWNER 439 /* "[W] %s: a library has no owner to check." */  // where the check failed
#define NDX_CHKBADTYPE 440 /* "[W] %s: object type %d is not known." */  // check name, type code
#define NDX_CHKEMPTYNAME 441 /* "[W] A name is empty." */  // (none)
#define NDX_CHKSPNNONET 442 /* "[W] Symbol pin %s of group %s is tied to no net." */  // symbol pin name, group name
#define NDX_CHKSPNNOTNET 443 /* "[W] Symbol pin %s of group %s is tied to something that is not a net." */  // symbol pin name, group name
#define NDX_CHKNOSYMBOL 444 /* "[W] Component %s has no symbol." */  // component name
#define NDX_CHKNOPINS 445 /* "[W] The symbol of component %s declares no pins." */  // component name
#define NDX_CHKPINCOUNT 446 /* "[W] %s: the symbol of component %s declares another number of pins than it holds." */  // check name, component name
#define NDX_CHKWIDTH 447 /* "[W] Net %s is %d bits wide but pin %s is %d bits wide." */  // net name, net width, symbol pin name, symbol pin width
#define NDX_CHKCOMORDER 448 /* "[W] The components of group %s are out of name order: %s comes before %s." */  // group name, component name, next component name
#define NDX_CHKCOMTWICE 449 /* "[W] Group %s has two components named %s." */  // group name, component name
#define NDX_CHKNETORDER 450 /* "[W] The nets of group %s are out of name order: %s comes before %s." */  // group name, net name, next net name
#define NDX_CHKNETTWICE 451 /* "[W] Group %s has two nets named %s." */  // group name, net name
#define NDX_CHKATTNAMES 452 /* "[W] The attributes are out of name order: %s comes before %s." */  // attribute name, next attribute name
#define NDX_CHKSPNTWICE 453 /* "[W] %s: group %s has two symbol pins named %s." */  // check name, group name, symbol pin name
#define NDX_CHKDIRECTION 454 /* "[W] %s: %s is not a pin direction (ANALOG, BI, IN, OUT, OCL, OEM, TRI or UNDEFINED_DIRECTION)." */  // check name, the text
#define NDX_CHKRECURSIVE 455 /* "[W] %s: placing group %s into group %s would make the design contain itself." */  // check name, group placed, target group
#define NDX_CHKATTFAIL 456 /* "[W] %s: an attribute failed its check." */  // where the check failed
#define NDX_CHKTIEFAIL 457 /* "[W] %s: a symbol pin is not tied to a net." */  // where the check failed
#define NDX_CHKSPNNAMES 458 /* "[W] %s: a symbol pin name is used twice." */  // where the check failed
#define NDX_CHKCOUNTFAIL 460 /* "[W] %s: the pin count of a component's symbol is wrong." */  // where the check failed
#define NDX_CHKWIDTHFAIL 461 /* "[W] %s: a pin and its net differ in width." */  // where the check failed
#define NDX_CHKNETSFAIL 462 /* "[W] %s: the nets are out of name order or a name is used twice." */  // where the check failed
#define NDX_CHKGROUP 463 /* "[W] %s: group %s failed the consistency check." */  // check name, group name
#define NDX_MODNORENAME 464 /* "[W] %s: net %s is tied to a port or carries pins, so it cannot be renamed." */  // operation, net name
#define NDX_MODNOTWRITABLE 465 /* "[W] %s: %s is in a library that may not be written." */  // operation, object or library name
#define NDX_MODEXISTS 466 /* "[W] %s: an object of that name already exists." */  // operation and kind
#define NDX_NOTMADE 467 /* "[W] %s (%s)." */  // the look-up or operation that failed and why, the group or object concerned
#define NDX_MODNAMEUSED 468 /* "[W] %s: the name %s is already used there." */  // operation and kind, the new name
#define NDX_MODSPNTIED 469 /* "[W] Symbol pin %s is already tied to net %s." */  // symbol pin name, the net it is tied to
#define NDX_MODSPNWIDTH 470 /* "[W] Symbol pin %s is %d bits wide but net %s is %d bits wide." */  // symbol pin name, its width, net name, its width
#define NDX_MODSPNGROUP 471 /* "[W] Symbol pin %s and net %s belong to different groups." */  // symbol pin name, net name
#define NDX_MODPINWIDTH 473 /* "[W] Pin %s of component %s is %d bits wide but net %s is %d bits wide." */  // pin name, component name, its width, net name, its width
#define NDX_MODPINGROUP 474 /* "[W] Pin %s of component %s and net %s belong to different groups." */  // pin name, component name, net name
#define NDX_MODSPNNOTON 475 /* "[W] Symbol pin %s is not tied to net %s." */  // symbol pin name, net name
#define NDX_MODPINNOTON 476 /* "[W] Pin %s of component %s is not on net %s." */  // pin name, component name, net name
#define NDX_MODCOMSHEET 477 /* "[W] Component %s cannot be placed on sheet %d: sheet numbers run from 1 to 32767." */  // component name, sheet number
#define NDX_MODRECURSIVE 478 /* "[W] Placing group %s into group %s would make the design contain itself." */  // group placed, target group
#define NDX_MODNETTYPE 479 /* "[W] %d is not a net type for net %s: -1 makes it global, 0 local." */  // the type, net name
#define NDX_MODNOTOWNSYM 481 /* "[W] The symbol given is that of group %s, not the own symbol of group %s." */  // group of the symbol given, the group
#define NDX_WRNOTWRITABLE 482 /* "[E] %s: group %s is in a library that may not be written; it is not written." */  // operation, group name
#define NDX_WRSAVED 483 /* "[W] %s: the wirelist of group %s sheet %d is kept as its saved copy before it is replaced." */  // operation, group name, sheet number
#define NDX_WROPENFAIL 484 /* "[E] %s: the wirelist of group %s sheet %d cannot be opened for writing." */  // operation, group name, sheet number
#define NDX_WRWRITING 485 /* "[I] %s: writing the wirelist of group %s sheet %d." */  // operation, group name, sheet number
#define NDX_WRFAILED 486 /* "[E] %s: writing the wirelists of group %s failed at sheet %d." */  // operation, group name, sheet number reached
#define NDX_WRRESTORING 487 /* "[I] %s: the saved wirelists of group %s are put back." */  // operation, group name
#define NDX_WRPINORDER 488 /* "[W] %s: the pin order of group %s would be longer than %d characters, so its wirelists cannot be written." */  // operation, group name, the limit
#define NDX_WRGROUPFAIL 489 /* "[W] %s: group %s could not be written; the groups after it are not written." */  // operation, group name
#define NDX_WRCHECKFAIL 490 /* "[W] %s: group %s failed the consistency check; it is written anyway." */  // operation, group name
#define NDX_WRSYMTYPE 491 /* "[W] A component of group %s has a %s symbol, which a wirelist cannot hold; the component is not written." */  // group name of the component, symbol type name
#define NDX_WRRESTOREFAIL 493 /* "[E] %s: the saved copy of group %s sheet %d could not be put back." */  // operation, group name, sheet number
#define NDX_CHKNAMELONG 494 /* "[W] The name %s is %d characters long; names must be shorter than %d characters." */  // the name, its length, the limit
#define NDX_MODPINON 495 /* "[W] Pin %s of component %s is already on net %s." */  // pin name, component name, the net it is on
#define NDX_MODSHEETNUMBER 496 /* "[W] Sheet number %d of group %s is not above 0." */  // sheet number, group name
#define NDX_CHKNAMECHAR 498 /* "[W] The name %s holds an apostrophe or a line end." */  // the name
#define NDX_CACHEFAIL 499 /* "[E] The project store cannot cache the libraries of the project (status %d)." */  // store status
#define NDX_RECACHEFAIL 500 /* "[E] The project store cannot re-read a regenerated wirelist (status %d)." */  // store status
#define NDX_HETNOSECTION 501 /* "[E] Section %s named by the HETERO attribute of group %s is neither a loaded group nor a symbol in the libraries." */  // section name, group name
#define NDX_HETDISAGREE 502 /* "[E] The sections of a heterogeneous part disagree: one lists %s, another %s." */  // HETERO value of the part, HETERO value of the section
#define NDX_HETCLOSE 503 /* "[E] The HETERO attribute %s of group %s has a ')' or other text outside its parentheses." */  // HETERO value, group name
#define NDX_HETOPEN 504 /* "[E] The HETERO attribute %s of group %s has a '(' without its ')'." */  // HETERO value, group name
#define NDX_HETONE 505 /* "[E] The HETERO attribute %s of group %s names one section only; a heterogeneous part has two or more." */  // HETERO value, group name
#define NDX_HETTWOSETS 506 /* "[E] Group %s is a section of more than one heterogeneous part." */  // group name
#define NDX_HETATTCLASH 507 /* "[W] The sections give attribute %s different values; %s is kept as a second value." */  // attribute name, the further value
#define NDX_HETPINMISSING 508 /* "[E] Pin %s of section %s is not a pin of the combined symbol." */  // pin name, section group name
#define NDX_HETORDERPIN 509 /* "[E] The pin order of the heterogeneous part %s names %s, which is a pin of none of its sections." */  // part (combined name or HETERO value), pin name
#define NDX_HETNOSYMNAME 510 /* "[E] No section of the heterogeneous part %s has a HETERO_SYMNAME attribute naming the combined symbol." */  // HETERO value
#define NDX_HETBADSYMNAME 511 /* "[E] HETERO_SYMNAME %s is not a valid name for a combined symbol." */  // the value
#define NDX_HETEMPTYLABEL 512 /* "[E] Component %s has an empty HETERO_LABEL; it is not combined." */  // component name
#define NDX_HETBADLABEL 513 /* "[E] HETERO_LABEL %s of component %s is not a valid component name; it is not combined." */  // the label, component name
#define NDX_BADHETEROFLAG 514 /* "[E] %d is not a setting for combining heterogeneous symbols (use 0 or 1); the setting is not changed." */  // the value given
#define NDX_HETNOLABEL 516 /* "[E] Component %s of section %s has no HETERO_LABEL; it is not combined." */  // component name, section group name
#define NDX_HETNOTPRIM 517 /* "[W] Section %s of the heterogeneous part %s is not a primitive symbol; the part is not combined." */  // section group name, combined name
#define NDX_HETNOSETMEM 518 /* "[E] There is no memory for the heterogeneous part of group %s." */  // group name
#define NDX_HETNOSECMEM 519 /* "[E] There is no memory for section %s." */  // section name
#define NDX_HETNOPINMEM 520 /* "[E] There is no memory for pin %s of a combined symbol." */  // pin name
#define NDX_HETSECTYPE 521 /* "[E] Section %s is not a primitive symbol; nothing of it is copied to %s." */  // section group name, combined name
#define NDX_HETNOGROUP 522 /* "[E] The combined group %s does not exist, so section %s cannot be copied to it." */  // combined name, section group name
#define NDX_HETNOPIN 523 /* "[E] Pin %s of section %s has no pin of the same name in the combined symbol %s." */  // pin name, section group name, combined name
#define NDX_HETNAMEPART 524 /* "[E] Section %s is found only as group %s, by the name without its library part." */  // section name, group name
#define NDX_LIBNOINIT 531 /* "[W] %s: the wirelist database cannot be started." */  // operation
#define NDX_LIBOPEN 532 /* "[W] %s: library %s is already open." */  // operation, library name
#define NDX_LIBUNKNOWN 533 /* "[W] %s: there is no library %s." */  // operation, library name
#define NDX_LIBMODE 534 /* "[W] %s: %s is not an open mode; use w or r." */  // operation, the mode given
#define NDX_LIBINSERT 535 /* "[W] %s: library %s cannot be made part of the project: %s." */  // operation, library name, what the store reports
#define NDX_MODNORENAME2 536 /* "[W] %s: an object of type %s cannot be renamed." */  // operation, type name
#define NDX_MODATTNOTON 537 /* "[W] %s: attribute %s does not belong to that object." */  // operation, attribute name
#define NDX_OATNULLPTR 538 /* "[E] Unexpected NULL pointer: a component of group %s has no %s, so no occurrence attributes are looked for below it." */  // group name, "name", "symbol" or "symbol group"
