// netlister/tsnmsg.cc - messages, log lines, progress lines and the
// counting allocator; see tsnmsg.h.
//
// The progress width is the length of the last progress line written to
// standard error.  The cursor stays on that line (it ends with a carriage
// return), so every later terminal message is padded with blanks up to
// that width to wipe the rest of it; the width is never reset.
#include "netlister/tsnmsg.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "catalogs/tsn.h"
#include "netlister/limits.h"
#include "netlister/tsn.h"
#include "netlister/tsnutil.h"
#include "util/rkmem.h"
#include "util/rkmsg.h"

namespace {

// The version text message 501 of the catalog must hold.
constexpr const char kCatalogVersion[] = "5.2";

// Process-wide state of the message module.
struct MsgState {
  RkMsgFile* catalog = nullptr;  // the open catalog "tsn"
  int progress_width = 0;  // length of the last progress line
  unsigned balance = 0;    // bytes from lalloc not yet given back (wraps)
  int next_setid = 1;      // next value of newsetid
};
MsgState msg_state;

void count(const char* text) {
  if (!w) return;
  if (std::strncmp(text, "Warning", 7) == 0) {
    ++w->nwarnings;
  } else if (std::strncmp(text, "Error", 5) == 0) {
    ++w->nerrors;
  }
}

// Writes text to a terminal stream padded over the last progress line.
void show_padded(std::FILE* out, const char* text, const char* end) {
  int len = static_cast<int>(std::strlen(text));
  int pad = msg_state.progress_width > len ? msg_state.progress_width - len : 0;
  if (pad > tsn::kMaxPadding) pad = tsn::kMaxPadding;
  std::fputs(text, out);
  std::fprintf(out, "%*s%s", pad, "", end);
  std::fflush(out);
}

void show(const char* text) {
  show_padded(stdout, text, "\n");
  count(text);
}

// Writes a message line into a stream's file, ending any line in progress.
void log_line(outdata* stream, const char* text) {
  if (!stream || !stream->fp) return;
  if (stream->curlen > 0) {
    lwrite(stream, "\n");
    stream->curlen = 0;
  }
  bool flagged = std::strncmp(text, "Warning", 7) == 0 || std::strncmp(text, "Error", 5) == 0;
  lwrite(stream, flagged && stream->type != WIR_FILE ? "ER " : "| ");
  lwrite(stream, text);
  lwrite(stream, "\n");
  stream->curlen = 0;
}

// Formats a message (cut to 255 characters), shows it on the terminal and,
// when a stream is given, writes it as a line of the stream's file.
void vshow(outdata* stream, const char* format, va_list ap) {
  char text[tsn::kMsgBuffer];
  std::vsnprintf(text, sizeof text, format, ap);
  show(text);
  if (stream) log_line(stream, text);
}

// The progress line of count done, when one is due: at the last count and
// at every step-th.
void progress_line(int done, int total, int step, const char* label) {
  char text[tsn::kMsgBuffer];
  if (done == total) {
    std::snprintf(text, sizeof text, "Completed 100.0%% of %s", label);
  } else {
    if (step <= 0 || done % step != 0) return;
    float percent = static_cast<float>(done) * 100.0f / static_cast<float>(total);
    std::snprintf(text, sizeof text, "Completed %.1f%% of %s", static_cast<double>(percent), label);
  }
  show_padded(stderr, text, "\r");
  msg_state.progress_width = static_cast<int>(std::strlen(text));
}

// Counts n more elements of a walk, showing the lines due on the way as n
// single counts would.
void status(int* done, int total, int step, const char* label, int n = 1) {
  if (!w || !(w->exeflag & 1) || n <= 0) return;
  const int from = *done + 1;
  *done += n;
  if (n == 1) {
    progress_line(*done, total, step, label);
    return;
  }
  // Only the multiples of step and the last count can show a line.
  int next = step > 0 ? (from + step - 1) / step * step : *done + 1;
  bool last_shown = false;
  for (; next <= *done; next += step) {
    if (total >= from && total < next && !last_shown) {
      progress_line(total, total, step, label);
      last_shown = true;
    }
    progress_line(next, total, step, label);
    last_shown = last_shown || next == total;
  }
  if (!last_shown && total >= from && total <= *done) progress_line(total, total, step, label);
}

}  // namespace

void tsn_msgopen() {
  msg_state.catalog = rkMsgFileOpen("tsn", nullptr, nullptr, nullptr, nullptr);
  // Not counted as a warning: the run goes on with whatever texts it has.
  if (std::strcmp(tsnMsgBuild(TSN_MSG_VERSION), kCatalogVersion) != 0)
    std::fputs("Warning: tsn message file is out of date", stderr);
}

void tsn_msgclose() {
  if (msg_state.catalog) rkMsgFileClose(msg_state.catalog);
  msg_state.catalog = nullptr;
}

const char* tsnMsgBuild(int number, ...) {
  va_list ap;
  va_start(ap, number);
  const char* text = rkMsgStaticVa(msg_state.catalog, number, ap);
  va_end(ap);
  return text;
}

void tsn_msg(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  vshow(nullptr, format, ap);
  va_end(ap);
}

void llogmsg(outdata* stream, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  vshow(stream, format, ap);
  va_end(ap);
}

void tsn_logmsg(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  vshow(w ? w->out : nullptr, format, ap);
  va_end(ap);
}

void lnet_status(const char* label, int count) {
  if (w) status(&w->nets_done, w->net_occurrences, w->net_step, label, count);
}

void lcomp_status(const char* label, int count) {
  if (w) status(&w->comps_done, w->nmodules, w->comp_step, label, count);
}

void tsn_out_of_memory() {
  static int entered = 0;  // not reset by tsnmsg_reset: it guards the process
  switch (++entered) {
    case 1:
      std::fputs("Out of memory. Quitting ..\n", stderr);
      tsn_exit(3);
    case 2:
      tsn_exit(3);
    default:
      std::_Exit(3);
  }
}

void* lalloc(std::size_t size) {
  void* block = rkMemMalloc(size, "tsnutil");
  if (!block) tsn_out_of_memory();
  msg_state.balance += static_cast<unsigned>(size);
  return block;
}

void lfree(void* block, std::size_t size) {
  if (!block) return;
  msg_state.balance -= static_cast<unsigned>(size);
  rkMemFree(block);
}

char* lstrdup(const char* s) {
  if (!s) return nullptr;
  std::size_t len = std::strlen(s) + 1;
  char* copy = static_cast<char*>(lalloc(len));
  std::memcpy(copy, s, len);
  return copy;
}

void lstrfree(char* s) {
  if (s) lfree(s, std::strlen(s) + 1);
}

void lshowmem() { tsn_msg("Memory Utilization: %u bytes not freed.", msg_state.balance); }

int newsetid() { return msg_state.next_setid++; }

unsigned lallocbalance() { return msg_state.balance; }

void tsnmsg_reset() {
  tsn_msgclose();
  msg_state = MsgState();
}
