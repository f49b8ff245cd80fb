// wirelist/iwmsg.cc - messages and the status line of the wirelist database.
//
// State lives in the session record (iws): outputs, counters, handler,
// status stream and mode.  Counting happens in iwmsgout, before the
// outputs are looked at, so a database without outputs still counts what
// it reports; the netlister's totals come from iwmsgcount.
#include "wirelist/iwmsg.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "util/rkerr.h"
#include "util/rkmem.h"
#include "util/rkstr.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

void count(int severity) {
  if (severity & 8) return;  // continuation lines belong to the message before
  if (severity & 1) ++iws.msgcount[0];
  if (severity & 2) ++iws.msgcount[1];
  if (severity & 4) ++iws.msgcount[2];
}

void default_handler(void*, const char* text, va_list) { iwmsgout(iws.msgseverity, "%s\n", text); }

// An output format must consume exactly the one message text: one "%s"
// and otherwise only "%%".  Anything else would read arguments that are
// not there.
bool one_string_format(const char* format) {
  int strings = 0;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    if (p[1] == '%') {
      ++p;
    } else if (p[1] == 's') {
      ++strings;
      ++p;
    } else {
      return false;
    }
  }
  return strings == 1;
}

const char* action_word(int action) {
  switch (action) {
    case 1:
      return "Reading ";
    case 2:
      return "Freeing ";
    case 3:
      return "Freeing nets on ";
    case 4:
      return "Updating ";
    case 5:
      return "Flattening ";
  }
  return "";
}

}  // namespace

void iwmsghndlr(int severity, int number, ...) {
  va_list ap;
  va_start(ap, number);
  va_list build;
  va_copy(build, ap);
  char* text = rkErrMessageAllocVa(iws.catalog, number, build);
  va_end(build);
  iws.msgseverity = severity;
  IwMsgHandler handler = iws.msghandler ? iws.msghandler : default_handler;
  handler(iws.msgarg, text ? text : "", ap);
  va_end(ap);
  rkMemFree(text);
}

void iwregmsghndlr(IwMsgHandler handler, void* arg) {
  iws.msghandler = handler;
  iws.msgarg = arg;
}

void iwregmsgdflt() {
  if (!iws.msghandler) iwregmsghndlr(default_handler, nullptr);
}

const char* iwmsggen(int number, ...) {
  va_list ap;
  va_start(ap, number);
  RkError* e = rkErrBuildVa(nullptr, iws.catalog, number, ap);
  va_end(ap);
  iws.msggen = rkErrText(e) ? rkErrText(e) : "";
  rkErrFree(e);
  return iws.msggen.c_str();
}

void iwmsgout(int severity, const char* format, ...) {
  count(severity);
  if (iws.msgout.empty() || !format) return;
  char text[iw::kMsgBuffer];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  char line[iw::kMsgBuffer];
  for (const IwMsgOutput& out : iws.msgout) {
    if (!(out.mask & severity)) continue;
    std::snprintf(line, sizeof line, out.format.c_str(), text);
    if (iws.msgbeforewrite) iws.msgbeforewrite(out.stream);
    std::fputs(line, out.stream);
    std::fflush(out.stream);
  }
}

void iwmsgbeforewrite(void (*fn)(std::FILE* stream)) { iws.msgbeforewrite = fn; }

int iwmsgsetup(int mask, std::FILE* stream, const char* format) {
  if (!stream || !iwinidone("IWMSGSETUP")) return 0;
  IwMsgOutput out;
  out.stream = stream;
  out.format = format && one_string_format(format) ? format : "%s";
  out.mask = mask;
  iws.msgout.insert(iws.msgout.begin(), std::move(out));
  return 1;
}

long iwmsgcount(int mask) {
  long n = 0;
  if (mask & 1) n += iws.msgcount[0];
  if (mask & 2) n += iws.msgcount[1];
  if (mask & 4) n += iws.msgcount[2];
  return n;
}

void iwmsginc(int severity) { count(severity); }

void iwmsgclose() {
  iws.msgout.clear();
  for (long& c : iws.msgcount) c = 0;
}

void iwmsgdrop(std::FILE* stream) {
  std::erase_if(iws.msgout, [stream](const IwMsgOutput& o) { return o.stream == stream; });
}

int iwstatln(std::FILE* stream) {
  if (!iwinidone("IWSTATLN")) return 0;
  iws.statstream = stream && isatty(fileno(stream)) ? stream : nullptr;
  return 1;
}

void iwstatmode(int mode) {
  if (mode >= 0 && mode <= 2) iws.statmode = mode;
}

void iwstatus(const char* name, int sheet, int action) {
  if (!iws.statstream || iws.statmode == 0) return;
  // The constructors call this for every component and net; in plain mode
  // there is nothing to show for them.
  if (iws.statmode == 1 && !name && sheet > 0) return;
  std::string line;
  bool redraw = false;
  if (iws.statmode == 2) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "(%ld Comps, %ld Nets) ", iwcompcount(), iwnetcount());
    line = prefix;
    // A prefix of a new length moves the text: the whole line is redrawn.
    if (static_cast<int>(line.size()) != iws.statprefix) {
      iws.statprefix = static_cast<int>(line.size());
      redraw = true;
    }
  }
  if (sheet <= 0) {
    iws.stattext = "complete.";
    redraw = true;
  } else if (name) {
    std::string upper = name;
    rkStrUpc(upper.data());
    char text[iw::kStatusText + 1];
    std::snprintf(text, sizeof text, "%s sheet %d ...", upper.c_str(), sheet);
    iws.stattext = text;
    redraw = true;
  }
  // Without a redraw only the counts are rewritten; they keep their width,
  // so the rest of the line stays as it was.
  if (redraw) line += std::string(action_word(action)) + iws.stattext;
  iwstatline(line.c_str(), redraw);
}

void iwstatline(const char* text, int redraw) {
  if (!iws.statstream || !text) return;
  std::string line(text, strnlen(text, iw::kStatusText));
  if (redraw) {
    std::size_t wipe =
        std::min<std::size_t>(static_cast<std::size_t>(iws.statlen) + 1, iw::kStatusText);
    iws.statlen = static_cast<int>(line.size());
    if (line.size() < wipe) line.append(wipe - line.size(), ' ');
  }
  line += '\r';
  std::fputs(line.c_str(), iws.statstream);
  std::fflush(iws.statstream);
}

void iwdirstat(const char* directory) {
  if (!iws.statstream || iws.statmode == 0) return;
  std::string text;
  if (directory) text = std::string("Reading directory ") + directory + " ...";
  iwstatline(text.c_str(), 1);
}
