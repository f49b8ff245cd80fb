/* catalogs/nodex.h - messages of the wirelist database (catalog "nodex").
 * Each text starts with its severity letter: [E] error, [W] warning,
 * [I] note.  The comment after each line lists the arguments. */
#define NDX_APPLICATION -1 /* "nodex" */
#define NDX_RELEASE -2 /* "5.2" */
#define NDX_QKFREEAGAIN 217 /* "[W] A scratch buffer of the wirelist database was released twice; the second release is ignored." */
/* 217: no arguments */
#define NDX_NOMEMORY 233 /* "[E] The wirelist database ran out of memory." */
/* 233: no arguments */
#define NDX_QKUNKNOWN 251 /* "[E] A scratch buffer that the wirelist database never handed out was released." */
/* 251: no arguments */
#define NDX_TYPECONFLICT 282 /* "[E] Group %3$s is used as a %2$s symbol but was first used as a %1$s symbol; it stays a %1$s." */
/* 282: old symbol type name, new symbol type name, group name */
#define NDX_NOPOOL 400 /* "[E] Memory pool %d of the wirelist database does not exist." */
/* 400: pool number */
#define NDX_NAMETABLE 414 /* "[E] The name %s could not be placed in the name table." */
/* 414: the name */
