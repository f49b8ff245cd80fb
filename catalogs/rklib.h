// catalogs/rklib.h - messages of the utility library (catalog "rklib").
//
// Compiled by rkmsgcmp into rklib.vmb; the code includes this header for
// the numbers.  Every text begins with its bracketed severity letter, which
// error building turns into the error's severity.  The comment ending each
// line lists the printf arguments in order.
#pragma once

// One message per line: the compiler reads each text from its own line.
// clang-format off

#define RKLIB_CATALOG_APPLICATION -1 /* "rklib" */
#define RKLIB_CATALOG_RELEASE -2 /* "5.0" */
#define RKLIB_CATALOG_VERSION -3 /* "5.0.0" */

// Message catalogs.
#define RKLIB_MSG_NO_NAME 1001 /* "[E] A message catalog cannot be opened without a name." */  // (none)
#define RKLIB_MSG_BAD_NAME 1002 /* "[E] The file name of message catalog %s.%s cannot be formed; the name is too long." */  // catalog name, extension
#define RKLIB_MSG_NOT_FOUND 1003 /* "[E] Message catalog %s.%s was found neither beside the name given, nor in the WDIR directories, nor beside the program." */  // catalog name, extension
#define RKLIB_MSG_CANT_OPEN 1004 /* "[E] Message catalog %s cannot be opened for reading: %s." */  // catalog path, reason
#define RKLIB_MSG_BAD_HEADER 1005 /* "[E] %s is not a message catalog, or a damaged one: its prefix, header or index count cannot be read or is out of range." */  // catalog path
#define RKLIB_MSG_SHORT_INDEX 1006 /* "[E] Message catalog %s is damaged: it ends inside its index." */  // catalog path
#define RKLIB_MSG_VERSION 1007 /* "[E] Message catalog %s does not match the application, release or version range asked for." */  // catalog path
#define RKLIB_MSG_NOT_OPEN 1020 /* "[E] A message was asked of a message catalog that is not open." */  // (none)
#define RKLIB_MSG_NO_MESSAGE 1021 /* "[E] Message %d is not in message catalog %s." */  // message number, catalog path
#define RKLIB_MSG_SEEK 1022 /* "[E] The text of message %d cannot be reached in message catalog %s." */  // message number, catalog path
#define RKLIB_MSG_SHORT_TEXT 1023 /* "[E] The text of message %d in message catalog %s is cut short or damaged." */  // message number, catalog path
#define RKLIB_MSG_BAD_FORMAT 1024 /* "[W] Message %d of message catalog %s does not take the arguments the program passes to it; the program's own text is used instead." */  // message number, catalog path
#define RKLIB_MSG_BAD_FORMAT2 1025 /* "[W] Message %d of message catalog %s does not take the arguments the program passes to it; it is not used." */  // message number, catalog path

// Errors and exceptions.
#define RKLIB_ERR_PRECOND 1101 /* "[E] Precondition failed in %s: %s." */  // routine, condition
#define RKLIB_ERR_POSTCOND 1102 /* "[E] Postcondition failed in %s: %s." */  // routine, condition
#define RKLIB_ERR_READ_FILE 1103 /* "[E] Error file %s cannot be opened for reading." */  // path
#define RKLIB_ERR_NO_SEVERITY 1106 /* "[E] Message %d of catalog %s does not begin with a bracketed severity letter such as [E]." */  // message number, catalog name
#define RKLIB_ERR_LOG 1120 /* "[W] Can't open error log file `%s', logging disabled." */  // log file path

// Portable binary files.
#define RKLIB_DUFS_PREFIX 1300 /* "[E] Binary file %s does not start with a known prefix: its first byte is %d, not 1." */  // file name, first byte
#define RKLIB_DUFS_WRITER 1301 /* "[E] Binary file %s has an invalid writer description byte 0x%02x." */  // file name, second byte
#define RKLIB_DUFS_FLOATS 1302 /* "[E] Binary file %s holds floats or doubles of a size this system cannot read." */  // file name
#define RKLIB_DUFS_INTS 1303 /* "[E] Binary file %s declares ints of %d bytes; at most 16 are supported." */  // file name, int size
#define RKLIB_DUFS_TYPE 1304 /* "[E] Item type %d asked of binary file %s is unknown; types run from 0 to 7." */  // item type, file name
#define RKLIB_DUFS_SIZE 1305 /* "[E] Items of %d bytes cannot be written to binary file %s; sizes are 1, 2, 4 or 8." */  // item size, file name
#define RKLIB_DUFS_MODE 1306 /* "[E] Binary file %s cannot be opened with mode \"%s\"; the modes are r, w and w+." */  // file name, mode
#define RKLIB_DUFS_HANDLE 1310 /* "[E] A binary file handle is not valid: it was closed or never opened." */  // (none)
#define RKLIB_DUFS_NULL 1311 /* "[E] A binary file cannot be opened without a file name and a mode." */  // (none)
#define RKLIB_DUFS_STRING 1312 /* "[E] A string of %d characters cannot be written to binary file %s; at most 255 fit." */  // string length, file name
#define RKLIB_DUFS_FIT 1320 /* "[E] A value read from binary file %s does not fit in %d bytes." */  // file name, item size
