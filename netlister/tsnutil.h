// netlister/tsnutil.h - the output stream of the netlist and the log.
//
// Lines are built token by token into the stream's own buffer, which is
// handed to the file in large pieces (a million-component netlist is tens
// of megabytes, and stdio's per-call work would cost more than the
// formatting); a record that would reach the stream's maximum line length
// continues on a new line after the continuation mark (" +" in the
// netlist formats, a blank in the others).  A token is never split.
// Every write is checked: a failing write shows "Error: Out of disk
// space." and ends the run with exit code 3.  A file that received
// nothing beyond its header is deleted when it is closed.
//
// Tokens come in two kinds, and the writers differ only in that: a token
// made of names and fixed texts is cut at 1023 characters, as ltokout cuts
// what it formats into its 1024-byte buffer (ltokcut); a token holding an
// attribute value is written whole however long, as lformatted_tokout
// writes its two texts (ltokwhole).
#pragma once

#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "util/rkreplace.h"

struct wirdata;

/// An output stream (one netlist or the log).
struct outdata {
  char* filename = nullptr;  // the file's name, lower case, as messages show it
  std::FILE* fp = nullptr;   // the open (temporary) file, or null once closed
  int type = 0;              // LONG_TSN_FILE, SHORT_TSN_FILE, WIR_FILE or LOG_FILE
  int maxlen = 0;            // maximum line length
  int curlen = 0;            // characters written since the last line end
  char contchar = '\0';      // '+' for the netlist formats, NUL otherwise
  long header_end = 0;       // file position after the header (log only), else 0
  char* pend = nullptr;      // bytes written but not yet handed to fp (tsn::kStreamBuffer)
  std::size_t pending = 0;
  RkReplace replace;  // the temporary file that replaces filename when closed
};

/// Hands the pending bytes of the open stream whose file is fp (if any)
/// to the file; the database calls it before writing a message there.
void outdata_drain_file(std::FILE* fp);

/// Creates base.<ext> in the working directory for the output type (its
/// contents go to a temporary file until the stream is closed); null
/// (after message 503 naming the file) when it cannot be opened, null for
/// unknown types.
outdata* outdata_create(const char* base, int type);

/// Hands everything written so far to the file and checks it; a failure
/// ends the run as a full disk does.
void outdata_flush(outdata* stream);

/// Closes the stream and puts its file in place of filename; when it holds
/// nothing beyond its header, no file of that name is left instead.  Frees
/// the record and returns null.  A write that fails here ends the run as a
/// full disk does; a file that cannot be put in place ends it after
/// message 503.
outdata* outdata_close(outdata* stream);

/// Appends one formatted token (at most 1023 characters) to the line.
[[gnu::format(printf, 2, 3)]] void ltokout(outdata* stream, const char* format, ...);

/// Appends one token made of two texts written as they are (either may
/// be null); serves values longer than the token buffer.
void lformatted_tokout(outdata* stream, const char* first, const char* second);

/// Appends the pieces (none a null pointer) as one token cut at 1023
/// characters, as ltokout would format "%s%s..." of them, without
/// the cost of formatting: names and fixed texts of records.
void ltokcut(outdata* stream, std::initializer_list<std::string_view> pieces);

/// Appends the pieces as one token written whole, as
/// lformatted_tokout writes its two texts: tokens holding attribute values.
void ltokwhole(outdata* stream, std::initializer_list<std::string_view> pieces);

/// A token of lformat_line: up to three pieces, cut at 1023 characters
/// when cut is set (as ltokcut cuts), else written whole (as ltokwhole).
struct TokenParts {
  std::string_view a, b, c;
  bool cut;
};

/// The bytes the tokens make when written to the stream from the start of
/// a line, as ltokcut and ltokwhole write them one by one, followed by
/// the line end (ltokflush): into *text, with the offset of every
/// non-empty piece b in *b_at.  False when a token would be cut.
bool lformat_line(const outdata* stream, const TokenParts* tokens, std::size_t n,
                  std::string* text, std::vector<std::size_t>* b_at);

/// Appends whole lines made by lformat_line; the stream is at the start of
/// a line and stays there.
void lwrite_line(outdata* stream, std::string_view text);

/// Ends the current line (always writes a line end).
void ltokflush(outdata* stream);

/// Writes text unformatted and unwrapped, checked; used for whole lines.
void lwrite(outdata* stream, const char* text);

/// The file header of the stream's type.
void lwrite_header(outdata* stream);

/// The design header record that opens the netlist body.
void lwrite_design_header(wirdata* wd, outdata* stream);

/// The end record that closes the netlist body ("WD" or "EW").
void lwrite_end_record(outdata* stream);
