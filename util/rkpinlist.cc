// util/rkpinlist.cc - joining signal names into one bus-name list.
//
// A signal is split at its last run of decimal digits into stem, number
// and rest ("A12B" is "A", "12", "B").  The last piece of the list is
// remembered while the caller passes the list back: a signal with the
// same stem and rest whose number continues the piece's direction
// replaces the piece by a wider one.  A run is only formed when bus
// expansion would print every one of its numbers exactly as the signals
// wrote them, so the padding rule of the expander (a start or end text
// with a leading zero pads every value to the longer of the two) decides
// whether "9", "10" or "09", "10" may share a piece.
#include "util/rkpinlist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "util/limits.h"

namespace {

// Characters that would make a piece's text mean something else to the
// expander: brackets and braces open subscripts and repetitions, blanks
// and commas separate list items.
constexpr const char* kSpecial = "[]{}, ";

struct Piece {
  std::string stem;   // text before the number
  std::string rest;   // text after the number
  std::string first;  // number text of the first signal
  std::string last;   // number text of the last signal
  long from = 0;      // first value
  long to = 0;        // last value
  int dir = 0;        // +1 ascending, -1 descending, 0 a single signal
};

struct PinListState {
  std::string buf;        // the list handed out last
  bool valid = false;     // buf holds what the last call returned
  bool runnable = false;  // the last piece may still grow
  std::size_t at = 0;     // where the last piece starts in buf
  Piece piece;            // the last piece
};

PinListState pl;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Splits signal at its last digit run; false when it cannot join a run.
bool split(const std::string& s, Piece* p) {
  std::size_t end = s.size();
  while (end > 0 && !is_digit(s[end - 1])) --end;
  if (end == 0) return false;
  std::size_t begin = end;
  while (begin > 0 && is_digit(s[begin - 1])) --begin;
  std::string digits = s.substr(begin, end - begin);
  if (digits.size() > rk::kMaxBusField) return false;
  long value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > rk::kMaxBusValue) return false;
  }
  p->stem = s.substr(0, begin);
  p->rest = s.substr(end);
  if (p->stem.find_first_of(kSpecial) != std::string::npos ||
      p->rest.find_first_of(kSpecial) != std::string::npos)
    return false;
  p->first = p->last = digits;
  p->from = p->to = value;
  p->dir = 0;
  return true;
}

bool padded(const std::string& t) { return t.size() > 1 && t[0] == '0'; }

// The pad width the expander uses for a subscript written [a:b].
std::size_t pad_of(const std::string& a, const std::string& b) {
  return padded(a) || padded(b) ? std::max(a.size(), b.size()) : 0;
}

std::string print(long value, std::size_t pad) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*ld", static_cast<int>(pad), value);
  return text;
}

// Whether the signal s (already split) continues the piece p.
bool continues(const Piece& p, const Piece& s) {
  if (s.stem != p.stem || s.rest != p.rest) return false;
  long step = s.from - p.to;
  if (step != 1 && step != -1) return false;
  if (p.dir != 0 && step != p.dir) return false;
  std::size_t pad = pad_of(p.first, s.first);
  // Every value of the wider piece must print as its signal did; the
  // values before the new one printed with the piece's old padding.
  if (p.dir != 0 && pad != pad_of(p.first, p.last)) return false;
  return print(p.from, pad) == p.first && print(s.from, pad) == s.first;
}

void write_piece(const std::string& signal) {
  pl.buf.resize(pl.at);
  const Piece& p = pl.piece;
  if (!pl.runnable || p.dir == 0)
    pl.buf += signal;
  else
    pl.buf += p.stem + "[" + p.first + ":" + p.last + "]" + p.rest;
}

}  // namespace

const char* rkMergePinToSigAtt(const char* signal, const char* kind, const char* joined) {
  if (!signal && !kind && !joined) {
    pl = PinListState{};
    return nullptr;
  }
  bool ours = pl.valid && joined == pl.buf.c_str();
  if (!ours) {
    pl.buf = joined ? joined : "";
    pl.runnable = false;
    if (pl.buf.empty() && kind && *kind && std::strcmp(kind, "NC") != 0) pl.buf = std::string(kind) + ";";
  }
  pl.valid = true;
  if (!signal || !*signal) return pl.buf.c_str();

  std::string s = signal;
  Piece next;
  bool splits = split(s, &next);
  if (ours && pl.runnable && splits && continues(pl.piece, next)) {
    if (pl.piece.dir == 0) pl.piece.dir = static_cast<int>(next.from - pl.piece.to);
    pl.piece.to = next.from;
    pl.piece.last = next.first;
  } else {
    if (!pl.buf.empty() && pl.buf.back() != ';') pl.buf += ',';
    pl.at = pl.buf.size();
    pl.runnable = splits;
    pl.piece = next;
  }
  write_piece(s);
  return pl.buf.c_str();
}
