// netlister/tsnutil.cc - the output stream; see tsnutil.h.
//
// Records are written token by token into the stream's buffer, which goes
// to the file when full, before a database message is written to the same
// file, and when the stream is closed.  A write error (a full disk, a file
// size limit) is detected when the buffer goes to the file or, since stdio
// buffers too, on a flush; either way the run ends with the two "Out of
// disk space" lines (shown once, however many streams fail) and exit code
// 3, and the failing stream's temporary file is thrown away.
//
// Each file is written to a temporary file beside it and put in place
// when the stream is closed (util/rkreplace.h): two runs in one directory
// or a run killed half way never leave a netlist that is cut or mixed.
#include "netlister/tsnutil.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "catalogs/tsn.h"
#include "netlister/limits.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "store/pxlib.h"
#include "util/rkerr.h"
#include "util/rkreplace.h"
#include "util/rkstr.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwobj.h"

namespace {

// Longest file name shown whole in message 503.
constexpr std::size_t kShownName = 200;

// Process-wide state of the streams: those open, for outdata_drain_file
// and for the end of the process.
struct StreamState {
  std::vector<outdata*> open;
  bool abort_handler = false;  // at_abort is registered
  bool disk_full_shown = false;  // the "Out of disk space" lines were shown
};
StreamState streams;

// The write failed: throw the stream's file away (the previous one stays:
// a partial netlist is worth nothing), report once and end the run.  The
// file pointer is cleared first so the exit path does not touch the broken
// stream again; the exit path still closes the other stream.
[[noreturn]] void out_of_disk(outdata* stream) {
  std::FILE* fp = stream->fp;
  stream->fp = nullptr;
  stream->pending = 0;
  rkReplaceDiscard(&stream->replace, fp);
  if (!streams.disk_full_shown) {
    streams.disk_full_shown = true;
    tsn_msg("Error: Out of disk space.");
    tsn_msg("       Aborting wirelist ...");
  }
  tsn_exit(3);
}

// The errno values of a write that found no room.
bool no_room(int why) { return why == ENOSPC || why == EDQUOT || why == EFBIG; }

// A run that is aborted (an error no one caught) still ends with what it
// wrote in place, as every end does; nothing is reported any more at that
// point, and a file that cannot be put in place is thrown away.
void at_abort(void*) {
  for (outdata* s : streams.open) {
    if (!s->fp) continue;
    bool ok = s->pending == 0 || fwrite_unlocked(s->pend, 1, s->pending, s->fp) == s->pending;
    s->pending = 0;
    std::FILE* fp = s->fp;
    s->fp = nullptr;
    if (ok) {
      rkReplaceCommit(&s->replace, fp);
    } else {
      rkReplaceDiscard(&s->replace, fp);
    }
  }
}

// Hands the buffer to the file.  One run writes from one thread, so
// stdio's per-call locking buys nothing.
void drain(outdata* stream) {
  std::size_t n = stream->pending;
  stream->pending = 0;
  if (n > 0 && fwrite_unlocked(stream->pend, 1, n, stream->fp) != n) out_of_disk(stream);
}

void write_checked(outdata* stream, const char* data, std::size_t len) {
  if (stream->pending + len > tsn::kStreamBuffer) {
    drain(stream);
    if (len > tsn::kStreamBuffer) {
      if (fwrite_unlocked(data, 1, len, stream->fp) != len) out_of_disk(stream);
      len = 0;
    }
  }
  if (len > 0) {
    std::memcpy(stream->pend + stream->pending, data, len);
    stream->pending += len;
  }
  if (w && w->debug) {
    drain(stream);
    if (std::fflush(stream->fp) != 0) out_of_disk(stream);
  }
}

// Whether a token of len characters starts a continuation line when the
// line holds curlen characters: it would bring the line to its maximum
// length, and it is not the line's first token.
bool needs_wrap(const outdata* stream, long curlen, std::size_t len) {
  return curlen > 0 && curlen + static_cast<long>(len) >= stream->maxlen;
}

// Places the continuation mark at `at`: " +" and a line end, or a blank
// and a line end in the formats without a continuation character.
char* put_mark(const outdata* stream, char* at) {
  *at++ = ' ';
  if (stream->contchar != '\0') *at++ = stream->contchar;
  *at++ = '\n';
  return at;
}

// Starts a continuation line when a token of len characters would bring
// the current line to the maximum length.  The first token of a line is
// never preceded by a continuation, whatever its length.
void wrap_for(outdata* stream, std::size_t len) {
  if (needs_wrap(stream, stream->curlen, len)) {
    char mark[3];
    write_checked(stream, mark, static_cast<std::size_t>(put_mark(stream, mark) - mark));
    stream->curlen = 0;
  }
}

// Whether a token is cut at the token buffer's size or written whole.
enum class Cut { kAtTokenBuffer, kWhole };

// The one token writer: appends the pieces as one token, cut to 1023
// characters in all or whole.  The continuation comes first when the token
// would bring the line to its maximum length.  The pieces go straight into
// the buffer when it has room for them and a continuation, which is almost
// always; debug runs, which flush every write, and tokens larger than the
// buffer take the checked path piece by piece.
void put_token(outdata* stream, std::initializer_list<std::string_view> pieces, Cut cut) {
  if (!stream || !stream->fp) return;
  // One piece at a time: the caller has just stored the pieces, and a
  // vectorised sum that reads two of them at once stalls on those stores.
  const std::size_t cap = cut == Cut::kAtTokenBuffer ? tsn::kTokenBuffer - 1 : SIZE_MAX;
  std::size_t len = 0;
  for (std::string_view p : pieces) {
    len += p.size();
    if (len >= cap) {
      len = cap;
      break;
    }
  }
  const bool direct = !(w && w->debug) && len + 3 <= tsn::kStreamBuffer;
  if (direct && stream->pending + len + 3 > tsn::kStreamBuffer) drain(stream);
  std::size_t left = len;  // what is still to be written of the token
  if (!direct) {
    wrap_for(stream, len);
    for (std::string_view p : pieces) {
      std::size_t n = std::min(p.size(), left);
      write_checked(stream, p.data(), n);
      left -= n;
    }
    stream->curlen += static_cast<int>(len);
    return;
  }
  char* at = stream->pend + stream->pending;
  if (needs_wrap(stream, stream->curlen, len)) {
    at = put_mark(stream, at);
    stream->curlen = 0;
  }
  for (std::string_view p : pieces) {
    std::size_t n = std::min(p.size(), left);
    if (n == 0) continue;
    std::memcpy(at, p.data(), n);
    at += n;
    left -= n;
  }
  stream->pending = static_cast<std::size_t>(at - stream->pend);
  stream->curlen += static_cast<int>(len);
}

void line(outdata* stream, const char* format, const char* arg1 = nullptr,
          const char* arg2 = nullptr) {
  ltokout(stream, format, arg1, arg2);
  ltokflush(stream);
}

}  // namespace

outdata* outdata_create(const char* base, int type) {
  const char* ext;
  int maxlen;
  char contchar = '\0';
  switch (type) {
    case LONG_TSN_FILE:
    case SHORT_TSN_FILE:
      ext = "tsn";
      maxlen = tsn::kTsnLineLength;
      contchar = '+';
      break;
    case WIR_FILE:
      ext = "1";
      maxlen = tsn::kWirLineLength;
      break;
    case LOG_FILE:
      ext = "rkg";
      maxlen = tsn::kLogLineLength;
      break;
    default:
      return nullptr;
  }
  // The message names the file even when the name is too long to make.
  char path[px::kMaxPath] = "";
  std::string name;
  if (pxMerge(path, "", "", base ? base : "", ext) == PX_OK) {
    name = path;
  } else {
    name = std::string(base ? base : "") + "." + ext;
  }
  rkStrLoc(name.data());
  RkReplace replace;
  std::FILE* fp = name.size() < px::kMaxPath ? rkReplaceOpen(&replace, name.c_str()) : nullptr;
  if (!fp) {
    // A message holds 255 characters: a name too long for it keeps its
    // beginning and its end, so the file is still recognisable.
    std::string shown = name;
    if (shown.size() > kShownName)
      shown = shown.substr(0, kShownName / 2) + "..." + shown.substr(shown.size() - kShownName / 2);
    tsn_msg("%s", tsnMsgBuild(TSN_MSG_CANT_CREATE, shown.c_str()));
    return nullptr;
  }
  // A file size limit must fail a write (and end the run as a full disk
  // does), not kill the process half way through a record.
  std::signal(SIGXFSZ, SIG_IGN);
  outdata* stream = new (lalloc(sizeof(outdata))) outdata();
  stream->replace = std::move(replace);
  stream->filename = lstrdup(name.c_str());
  stream->fp = fp;
  stream->type = type;
  stream->maxlen = maxlen;
  stream->curlen = 0;
  stream->contchar = contchar;
  stream->header_end = 0;
  stream->pend = static_cast<char*>(lalloc(tsn::kStreamBuffer));
  stream->pending = 0;
  streams.open.push_back(stream);
  if (!streams.abort_handler) {
    rkAbortAddHandler(at_abort, nullptr);
    streams.abort_handler = true;
  }
  return stream;
}

void tsnutil_reset() {
  // The list shrinks as each stream is closed.
  while (!streams.open.empty()) outdata_close(streams.open.back());
  // The abort handler stays registered with the utility library.
  streams.disk_full_shown = false;
}

void outdata_drain_file(std::FILE* fp) {
  for (outdata* s : streams.open)
    if (s->fp && s->fp == fp) drain(s);
}

void outdata_flush(outdata* stream) {
  if (!stream || !stream->fp) return;
  drain(stream);
  if (std::fflush(stream->fp) != 0 || std::ferror(stream->fp)) out_of_disk(stream);
}

outdata* outdata_close(outdata* stream) {
  if (!stream) return nullptr;
  if (stream->fp) {
    outdata_flush(stream);
    std::FILE* fp = stream->fp;
    stream->fp = nullptr;
    // The database may have been told to write its messages here.
    iwmsgdrop(fp);
    if (std::ftell(fp) == stream->header_end) {
      // Nothing beyond the header: no file at all, not even the previous
      // run's, as if this one had been truncated and deleted.  After a
      // failed write the previous files stay as they were, as a pair.
      rkReplaceDiscard(&stream->replace, fp);
      if (!streams.disk_full_shown) pxDelete(stream->filename, PX_REGULAR);
    } else if (int why = 0; !rkReplaceCommit(&stream->replace, fp, &why)) {
      stream->fp = nullptr;
      if (no_room(why)) out_of_disk(stream);
      tsn_msg("%s", tsnMsgBuild(TSN_MSG_CANT_CREATE, stream->filename));
      tsn_exit(3);
    }
  }
  std::erase(streams.open, stream);
  lstrfree(stream->filename);
  lfree(stream->pend, tsn::kStreamBuffer);
  stream->~outdata();
  lfree(stream, sizeof(outdata));
  return nullptr;
}

void ltokout(outdata* stream, const char* format, ...) {
  if (!stream || !stream->fp) return;
  char token[tsn::kTokenBuffer];
  va_list ap;
  va_start(ap, format);
  int n = std::vsnprintf(token, sizeof token, format, ap);
  va_end(ap);
  std::size_t len = n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof token - 1);
  put_token(stream, {std::string_view(token, len)}, Cut::kAtTokenBuffer);
}

void lformatted_tokout(outdata* stream, const char* first, const char* second) {
  put_token(stream, {first ? first : "", second ? second : ""}, Cut::kWhole);
}

void ltokcut(outdata* stream, std::initializer_list<std::string_view> pieces) {
  put_token(stream, pieces, Cut::kAtTokenBuffer);
}

void ltokwhole(outdata* stream, std::initializer_list<std::string_view> pieces) {
  put_token(stream, pieces, Cut::kWhole);
}

bool lformat_line(const outdata* stream, const TokenParts* tokens, std::size_t n,
                  std::string* text, std::vector<std::size_t>* b_at) {
  text->clear();
  b_at->clear();
  long curlen = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const TokenParts& t = tokens[i];
    std::size_t len = t.a.size() + t.b.size() + t.c.size();
    if (t.cut && len > tsn::kTokenBuffer - 1) return false;
    if (needs_wrap(stream, curlen, len)) {
      char mark[3];
      text->append(mark, static_cast<std::size_t>(put_mark(stream, mark) - mark));
      curlen = 0;
    }
    text->append(t.a);
    if (!t.b.empty()) b_at->push_back(text->size());
    text->append(t.b);
    text->append(t.c);
    curlen += static_cast<long>(len);
  }
  text->push_back('\n');
  return true;
}

void lwrite_line(outdata* stream, std::string_view text) {
  if (!stream || !stream->fp) return;
  write_checked(stream, text.data(), text.size());
  stream->curlen = 0;
}

void ltokflush(outdata* stream) {
  if (!stream || !stream->fp) return;
  if (!(w && w->debug) && stream->pending < tsn::kStreamBuffer) {
    stream->pend[stream->pending++] = '\n';
  } else {
    write_checked(stream, "\n", 1);
  }
  stream->curlen = 0;
}

void lwrite(outdata* stream, const char* text) {
  if (!stream || !stream->fp || !text) return;
  write_checked(stream, text, std::strlen(text));
}

void lwrite_header(outdata* stream) {
  if (!stream || !stream->fp) return;
  const char* ad = hal_version();
  switch (stream->type) {
    case LONG_TSN_FILE:
    case SHORT_TSN_FILE:
      line(stream, "V %s", "5.11");
      line(stream, "|");
      if (ad) {
        line(stream, "| Wirelist created using %s %s", kTsnAdProgram, ad);
        line(stream, "|                        %s %s", kTsnProgram, kTsnVersion);
      } else {
        line(stream, "| Wirelist created using %s %s", kTsnProgram, kTsnVersion);
      }
      break;
    case WIR_FILE:
      line(stream, "| Wirelist created using %s %s", ad ? kTsnAdProgramWir : kTsnProgramWir,
           ad ? ad : kTsnVersion);
      break;
    case LOG_FILE:
      line(stream, "| Log file created using %s %s", ad ? kTsnAdProgramWir : kTsnProgramWir,
           ad ? ad : kTsnVersion);
      line(stream, "|");
      drain(stream);
      stream->header_end = std::ftell(stream->fp);
      break;
    default:
      break;
  }
}

void lwrite_design_header(wirdata* wd, outdata* stream) {
  if (!stream || !stream->fp || !wd) return;
  const char* top = wd->tgroup && wd->tgroup->name ? wd->tgroup->name : "";
  switch (stream->type) {
    case LONG_TSN_FILE:
    case SHORT_TSN_FILE:
      line(stream, "|");
      ltokout(stream, "DW %s", top);
      ltokout(stream, " %ld",
              static_cast<long>(wd->nmodules) + static_cast<long>(wd->ndtb_pins) +
                  static_cast<long>(wd->np2p));
      ltokflush(stream);
      break;
    case WIR_FILE:
      line(stream, "|");
      line(stream, "V 4.09");
      line(stream, "DW %s", top);
      break;
    default:
      break;
  }
}

void lwrite_end_record(outdata* stream) {
  if (!stream || !stream->fp) return;
  if (stream->type == LONG_TSN_FILE || stream->type == SHORT_TSN_FILE) {
    line(stream, "WD");
  } else if (stream->type == WIR_FILE) {
    line(stream, "EW");
  }
}
