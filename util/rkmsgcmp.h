// util/rkmsgcmp.h - the message compiler: catalog source header to .vmb.
//
// A catalog source is a C header that the code includes for the message
// numbers.  Each message is one line
//     #define NAME number /* "text" */
// and everything after the closing quote is free (argument comments).
// The text is a double-quoted string with the escapes \n, \t, \\, \" and
// octal \NNN (one to three digits, not zero).  Three negative numbers
// describe the catalog itself:
//     -1  application name
//     -2  release label
//     -3  catalog version "MAJOR.MINOR.PATCH" (this system's addition: the
//         reader checks versions, so the source must be able to set one)
// Lines of any other form are ignored.  A number given twice, a bad escape,
// an unterminated text or a malformed version is an error naming the file
// and line.
//
// The output is written through the binary-file functions (util/rkdufs.h),
// big-endian whatever the host: the 15 header words, the application name
// and release label as 16-bit-length strings, the texts by ascending number,
// then the index sorted by number.  The same source gives the same bytes on
// every machine.
#pragma once

#include <cstddef>

/// Compiles the catalog source at source_path into output_path.  Returns 0,
/// or 1 with a one-line diagnostic ("file:line: what", or "file: what") in
/// diag; no output file is left behind on failure.
int rkMsgCompile(const char* source_path, const char* output_path, char* diag,
                 std::size_t diag_size);

/// One catalog of rkMsgCompileTable: the name it is opened with and its
/// source.
struct RkMsgTableSource {
  const char* name;
  const char* source_path;
};

/// Writes the C++ source of the built-in texts (util/rkmsg.h,
/// rkMsgBuiltinCatalogs) of the n catalogs to output_path: the program
/// carries the texts its own catalogs were compiled from, and checks every
/// catalog file it reads against them.  Returns 0 or 1 with a diagnostic
/// as rkMsgCompile does.
int rkMsgCompileTable(const RkMsgTableSource* catalogs, int n, const char* output_path, char* diag,
                      std::size_t diag_size);
