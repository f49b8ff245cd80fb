// netlister/tsnutil.h - the output stream of the netlist and the log.
//
// Lines are built token by token into the stream's own buffer, which is
// handed to the file in large pieces (a million-component netlist is tens
// of megabytes, and stdio's per-call work would cost more than the
// formatting); a record
// that would reach the stream's maximum line length continues on a new
// line after the continuation mark (" +" in the netlist formats, a blank
// in the others).  A token is never split.  Every write is checked: a
// failing write shows "Error: Out of disk space." and ends the run with
// exit code 3.  A file that received nothing beyond its header is deleted
// when it is closed.
#pragma once

#include <cstddef>
#include <cstdio>
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

/// Appends the texts a to e (null ends the list) as one token, cut at
/// 1023 characters like ltokout(stream, "%s%s%s%s%s", ...), without the
/// cost of formatting; the record writers' hot path.
void ltokjoin(outdata* stream, const char* a, const char* b = nullptr, const char* c = nullptr,
              const char* d = nullptr, const char* e = nullptr);

/// Appends a, b and c as one token, cut at 1023 characters as ltokjoin
/// cuts, written straight from the texts; the module records' fast path.
void ltokparts(outdata* stream, std::string_view a, std::string_view b, std::string_view c);

/// A token of lformat_line: up to three pieces, cut at 1023 characters
/// when cut is set (as ltokparts cuts), else written whole (as ltokwhole).
struct TokenParts {
  std::string_view a, b, c;
  bool cut;
};

/// The bytes the tokens make when written to the stream from the start of
/// a line, as ltokparts and ltokwhole write them one by one, followed by
/// the line end (ltokflush): into *text, with the offset of every
/// non-empty piece b in *b_at.  False when a token would be cut.
bool lformat_line(const outdata* stream, const TokenParts* tokens, std::size_t n,
                  std::string* text, std::vector<std::size_t>* b_at);

/// Appends whole lines made by lformat_line; the stream is at the start of
/// a line and stays there.
void lwrite_line(outdata* stream, std::string_view text);

/// Appends text as one token written whole.
void ltokwhole(outdata* stream, std::string_view text);

/// Appends the texts a to e (null ends the list) as one token written
/// whole, as lformatted_tokout does for two texts.
void ltokcat(outdata* stream, const char* a, const char* b = nullptr, const char* c = nullptr,
             const char* d = nullptr, const char* e = nullptr);

/// Appends one token made of two texts written as they are (either may
/// be null); serves values longer than the token buffer.
void lformatted_tokout(outdata* stream, const char* first, const char* second);

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
