// util/rkbus.cc - bus-name expansion.
//
// A name is a list of items separated by runs of separator characters.
// An item beginning with "{" is a repetition: the list inside the braces,
// repeated by the decimal count that follows the closing brace.  Any other
// item is cut into pieces, each holding some text and at most one
// subscript "[start:end:step/radix]"; the pieces turn like an odometer,
// rightmost fastest: A[0:1]B[0:2] gives A0B0, A0B1, A0B2, A1B0, ...
//
// Items are parsed lazily, one when the previous one is exhausted, so a
// name yields its good leading items before an error in a later one stops
// it.  The items of a repeated inner list are kept on a chain owned by the
// repetition and restarted for every round instead of being parsed again.
//
// Bounds: values within +-32767, fields of at most 18 characters, widths
// of at most 65535 names, repetition counts of at most 65535 (a larger one
// could only give a wider bus) and at most kMaxBusNesting levels of braces;
// expansion, copy and release recurse once per brace level.  Every check
// works on explicit lengths, so no input reads or writes out of bounds.
#include "util/rkbus.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "util/limits.h"
#include "util/rkmem.h"

namespace {

// Process-wide state: the status of the last call and the separator set.
struct BusGlobals {
  int status = RKBUS_OK;
  char separators[rk::kMaxBusSeparators + 1] = ",";
  bool is_sep[256] = {};  // lookup table built from separators
  bool table_built = false;
};
BusGlobals bus;

void build_sep_table() {
  std::fill(std::begin(bus.is_sep), std::end(bus.is_sep), false);
  for (const char* p = bus.separators; *p; ++p) bus.is_sep[static_cast<unsigned char>(*p)] = true;
  bus.table_built = true;
}

bool is_sep(char c) {
  if (!bus.table_built) build_sep_table();
  return bus.is_sep[static_cast<unsigned char>(c)];
}

constexpr long kMaxWidth = rk::kMaxBusWidth;

// One piece of a plain item: its text (an offset into the list text) on
// one side of at most one subscript.
struct Piece {
  std::size_t text;     // offset of the text in the list text
  std::size_t textlen;  // length of the text
  bool text_after;      // the text follows the number
  bool has_sub;         // false: the piece prints only its text
  int start, end;       // range of the subscript
  int step;             // always positive; direction from start and end
  char radix;           // 'B', 'O', 'D' or 'H'
  int pad;              // digits to print, 0 for no padding
  int value;            // current value
};

}  // namespace

// State of the item being expanded.  Top-level items point into the
// caller's name; the items of a repeated list point into the repetition's
// own copy of the text between its braces.
struct RkBusState {
  const char* base = nullptr;  // text of the list this item belongs to
  std::size_t len = 0;         // its length
  std::size_t rest = 0;        // offset just after this item
  bool exhausted = false;      // the item has produced its last name
  bool owned = false;          // kept on a repetition's chain
  bool is_rep = false;         // repetition item (else plain)
  Piece* pieces = nullptr;     // plain item: its pieces ("vecrec")
  int npieces = 0;
  char* inner_text = nullptr;  // repetition: copy of the inner list
  std::size_t inner_len = 0;
  RkBusState* inner_head = nullptr;  // first item of the inner list
  RkBusState* inner_cur = nullptr;   // item of the inner list in use
  long reps_left = 0;                // rounds still to go, this one included
  long reps_total = 0;               // the count
  RkBusState* next = nullptr;        // following item, already parsed
};

namespace {

void set_status(int s) { bus.status = s; }

// --- scanning -------------------------------------------------------------

std::size_t skip_seps(const char* base, std::size_t len, std::size_t pos) {
  while (pos < len && is_sep(base[pos])) ++pos;
  return pos;
}

// Where an item starting at pos ends.  A "{" item runs to the first
// separator outside all braces; max_depth receives its deepest nesting and
// close the offset of the brace that closes the first "{" (len if none).
std::size_t item_end(const char* base, std::size_t len, std::size_t pos, int* max_depth,
                     std::size_t* close) {
  *max_depth = 0;
  *close = len;
  if (base[pos] != '{') {
    while (pos < len && !is_sep(base[pos])) ++pos;
    return pos;
  }
  int depth = 0;
  for (; pos < len; ++pos) {
    char c = base[pos];
    if (c == '{') {
      ++depth;
      *max_depth = std::max(*max_depth, depth);
    } else if (c == '}') {
      if (depth > 0 && --depth == 0 && *close == len) *close = pos;
    } else if (depth == 0 && is_sep(c)) {
      break;
    }
  }
  return pos;
}

bool is_dec(char c) { return c >= '0' && c <= '9'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool is_radix_letter(char c) {
  c = upper(c);
  return c == 'B' || c == 'O' || c == 'D' || c == 'H';
}

// How a "[" at offset open (before end) is to be read.
enum class Bracket {
  kText,       // ordinary text up to and including close
  kSubscript,  // a subscript closed at close
  kError,      // status 1: nothing after "[", "[" inside it, never closed
};

Bracket classify(const char* base, std::size_t end, std::size_t open, std::size_t* close) {
  std::size_t k = open + 1;
  if (k >= end) return Bracket::kError;
  std::size_t p = k;
  bool subscript = false;
  for (; p < end; ++p) {
    char c = base[p];
    if (c == ':') {
      subscript = true;
      break;
    }
    if (c == ']') {
      std::size_t n = p - k;
      std::size_t digits = (base[k] == '-') ? k + 1 : k;
      bool numeric = digits < p;
      for (std::size_t q = digits; q < p; ++q) numeric = numeric && is_dec(base[q]);
      bool radix =
          n >= 2 && (base[p - 2] == '/' || base[p - 2] == '\\') && is_radix_letter(base[p - 1]);
      if (!numeric && !radix) {
        *close = p;
        return Bracket::kText;
      }
      subscript = true;
      break;
    }
  }
  if (!subscript) return Bracket::kError;
  for (std::size_t q = k; q < end; ++q) {
    if (base[q] == '[') return Bracket::kError;
    if (base[q] == ']') {
      *close = q;
      return Bracket::kSubscript;
    }
  }
  return Bracket::kError;
}

// --- subscripts -------------------------------------------------------------

// A binary field takes any decimal digit, each weighted by 2, so that a
// one-digit bound is its own value: [0:3/B] counts 0 to 3 and prints 0, 1,
// 10, 11, while [00:11/B] counts the same in binary notation.
int digit_value(char c, char radix) {
  int d = -1;
  if (is_dec(c)) {
    d = c - '0';
  } else {
    char u = upper(c);
    if (u >= 'A' && u <= 'F') d = u - 'A' + 10;
  }
  int limit = radix == 'B' ? 10 : radix == 'O' ? 8 : radix == 'H' ? 16 : 10;
  return d < limit ? d : -1;
}

// Reads one field in its radix; returns a status.
int field_value(std::string_view f, char radix, int* out) {
  std::size_t i = 0;
  bool neg = false;
  if (radix == 'D' && f[0] == '-') {
    neg = true;
    i = 1;
    if (f.size() == 1) return RKBUS_DIGIT;
  }
  for (std::size_t j = i; j < f.size(); ++j)
    if (digit_value(f[j], radix) < 0) return RKBUS_DIGIT;
  int base = radix == 'B' ? 2 : radix == 'O' ? 8 : radix == 'H' ? 16 : 10;
  long v = 0;
  for (; i < f.size(); ++i) {
    v = v * base + digit_value(f[i], radix);
    if (v > rk::kMaxBusValue) return RKBUS_RANGE;
  }
  *out = static_cast<int>(neg ? -v : v);
  return RKBUS_OK;
}

bool field_char(char c) {
  char u = upper(c);
  return c == '-' || is_dec(c) || (u >= 'A' && u <= 'F') || u == 'H' || u == 'O';
}

std::string_view unsigned_text(std::string_view f) {
  return (!f.empty() && f[0] == '-') ? f.substr(1) : f;
}

// Parses the subscript between the brackets at open and close into piece.
int parse_subscript(const char* base, std::size_t open, std::size_t close, Piece* piece) {
  std::string_view fields[3];
  int nfields = 1;
  std::size_t field_start = open + 1;
  char radix = 'D';
  bool radix_given = false;
  std::size_t p = open + 1;
  auto end_field = [&](std::size_t at) {
    fields[nfields - 1] = std::string_view(base + field_start, at - field_start);
  };
  for (; p < close; ++p) {
    char c = base[p];
    if (radix_given) return RKBUS_MALFORMED;  // text after the radix letter
    if (c == '/' || c == '\\') {
      end_field(p);
      if (p + 1 >= close || !is_radix_letter(base[p + 1])) return RKBUS_ILLEGAL;
      radix = upper(base[p + 1]);
      radix_given = true;
      ++p;
    } else if (c == ':') {
      end_field(p);
      if (++nfields > 3) return RKBUS_MALFORMED;
      field_start = p + 1;
    } else if (!field_char(c)) {
      return RKBUS_ILLEGAL;
    } else if (p + 1 - field_start > rk::kMaxBusField) {
      return RKBUS_RANGE;
    }
  }
  if (!radix_given) end_field(close);
  for (int i = 0; i < nfields; ++i)
    if (fields[i].empty()) return RKBUS_MALFORMED;

  int start = 0, end = 0, step = 1;
  if (int s = field_value(fields[0], radix, &start)) return s;
  end = start;
  if (nfields > 1)
    if (int s = field_value(fields[1], radix, &end)) return s;
  if (nfields > 2) {
    if (int s = field_value(fields[2], radix, &step)) return s;
    if (step == 0) return RKBUS_ZEROSTEP;
    if (step < 0) step = -step;
  }
  std::string_view st = unsigned_text(fields[0]);
  std::string_view et = unsigned_text(nfields > 1 ? fields[1] : fields[0]);
  bool pad = (st.size() > 1 && st[0] == '0') || (et.size() > 1 && et[0] == '0');
  piece->has_sub = true;
  piece->start = piece->value = start;
  piece->end = end;
  piece->step = step;
  piece->radix = radix;
  piece->pad = pad ? static_cast<int>(std::max(st.size(), et.size())) : 0;
  return RKBUS_OK;
}

long value_count(const Piece& p) {
  if (!p.has_sub) return 1;
  long d = p.end > p.start ? p.end - p.start : p.start - p.end;
  return d < p.step ? 1 : d / p.step + 1;
}

// Finds the next "[" from pos that opens a subscript, skipping bracketed
// text.  Returns end when there is none; a status on error.
int next_subscript(const char* base, std::size_t end, std::size_t pos, std::size_t* open,
                   std::size_t* close) {
  while (pos < end) {
    if (base[pos] != '[') {
      ++pos;
      continue;
    }
    switch (classify(base, end, pos, close)) {
      case Bracket::kText:
        pos = *close + 1;
        continue;
      case Bracket::kSubscript:
        *open = pos;
        return RKBUS_OK;
      case Bracket::kError:
        return RKBUS_BRACKETS;
    }
  }
  *open = end;
  return RKBUS_OK;
}

// Cuts the plain item [pos, end) into pieces; returns a status.
int cut_pieces(const char* base, std::size_t pos, std::size_t end, std::vector<Piece>* out) {
  while (pos < end) {
    Piece piece{};
    std::size_t open = 0, close = 0;
    if (int s = next_subscript(base, end, pos, &open, &close)) return s;
    if (open > pos || open == end) {
      // Text, then the subscript that ends the piece (if any).
      piece.text = pos;
      piece.textlen = open - pos;
      if (open < end) {
        if (int s = parse_subscript(base, open, close, &piece)) return s;
        pos = close + 1;
      } else {
        pos = end;
      }
    } else {
      // A subscript, then the text up to the next subscript.
      if (int s = parse_subscript(base, open, close, &piece)) return s;
      std::size_t text = close + 1, next_open = 0, next_close = 0;
      if (int s = next_subscript(base, end, text, &next_open, &next_close)) return s;
      piece.text = text;
      piece.textlen = next_open - text;
      piece.text_after = true;
      pos = next_open;
    }
    out->push_back(piece);
  }
  return RKBUS_OK;
}

// Reads the repetition count of a "{" item; returns a status.
int repetition_count(const char* base, std::size_t from, std::size_t end, long* count) {
  if (from >= end) return RKBUS_MALFORMED;
  long n = 0;
  for (std::size_t p = from; p < end; ++p) {
    if (!is_dec(base[p])) return RKBUS_MALFORMED;
    n = n * 10 + (base[p] - '0');
    if (n > kMaxWidth) return RKBUS_RANGE;
  }
  if (n < 1) return RKBUS_MALFORMED;
  *count = n;
  return RKBUS_OK;
}

// --- states -----------------------------------------------------------------

void free_state(RkBusState* s) {
  if (!s) return;
  rkMemFree(s->pieces);
  for (RkBusState* in = s->inner_head; in;) {
    RkBusState* next = in->next;
    free_state(in);
    in = next;
  }
  rkMemFree(s->inner_text);
  s->~RkBusState();
  rkMemFree(s);
}

RkBusState* new_state() {
  void* mem = rkMemMalloc(sizeof(RkBusState), "vecrec");
  return mem ? new (mem) RkBusState() : nullptr;
}

// Parses the item at pos of the list (separators first).  Null with status
// 0 when only separators are left, null with a status on error.
RkBusState* parse_item(const char* base, std::size_t len, std::size_t pos, bool owned) {
  pos = skip_seps(base, len, pos);
  if (pos >= len) return nullptr;
  int depth = 0;
  std::size_t close = 0;
  std::size_t end = item_end(base, len, pos, &depth, &close);
  RkBusState* s = new_state();
  if (!s) {
    set_status(RKBUS_RANGE);
    return nullptr;
  }
  s->base = base;
  s->len = len;
  s->rest = end;
  s->owned = owned;
  int status = RKBUS_OK;
  if (base[pos] == '{') {
    s->is_rep = true;
    if (depth > rk::kMaxBusNesting || close >= end) {
      status = RKBUS_BRACKETS;
    } else {
      status = repetition_count(base, close + 1, end, &s->reps_total);
      s->reps_left = s->reps_total;
      s->inner_len = close - pos - 1;
      if (status == RKBUS_OK) {
        s->inner_text = static_cast<char*>(rkMemMalloc(s->inner_len + 1, "vecrec"));
        if (s->inner_text) {
          std::memcpy(s->inner_text, base + pos + 1, s->inner_len);
          s->inner_text[s->inner_len] = '\0';
        } else {
          status = RKBUS_RANGE;
        }
      }
    }
  } else {
    std::vector<Piece> pieces;
    status = cut_pieces(base, pos, end, &pieces);
    if (status == RKBUS_OK) {
      s->pieces = static_cast<Piece*>(rkMemMalloc(pieces.size() * sizeof(Piece), "vecrec"));
      if (s->pieces) {
        std::copy(pieces.begin(), pieces.end(), s->pieces);
        s->npieces = static_cast<int>(pieces.size());
      } else {
        status = RKBUS_RANGE;
      }
    }
  }
  if (status != RKBUS_OK) {
    set_status(status);
    free_state(s);
    return nullptr;
  }
  return s;
}

bool more_items(const RkBusState* s) { return skip_seps(s->base, s->len, s->rest) < s->len; }

// Appends n characters to buf; status 8 when the length would reach size.
bool append(char* buf, int size, std::size_t* used, const char* text, std::size_t n) {
  if (*used + n >= static_cast<std::size_t>(size)) {
    set_status(RKBUS_OVERFLOW);
    return false;
  }
  std::memcpy(buf + *used, text, n);
  *used += n;
  buf[*used] = '\0';
  return true;
}

std::size_t format_value(const Piece& p, char* out, std::size_t room) {
  if (p.radix == 'B') {
    int digits = p.pad;
    if (digits == 0) {
      digits = 1;
      for (int bit = 1; bit < 16; ++bit)
        if (p.value >> bit) digits = bit + 1;
    }
    std::size_t n = 0;
    for (int bit = digits - 1; bit >= 0 && n + 1 < room; --bit)
      out[n++] = ((p.value >> bit) & 1) ? '1' : '0';
    out[n] = '\0';
    return n;
  }
  char format[16];
  char conv = p.radix == 'O' ? 'o' : p.radix == 'H' ? 'X' : 'd';
  if (p.pad)
    std::snprintf(format, sizeof format, "%%0%d%c", p.pad, conv);
  else
    std::snprintf(format, sizeof format, "%%%c", conv);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = std::snprintf(out, room, format, p.value);
#pragma GCC diagnostic pop
  return n < 0 ? 0 : std::min(static_cast<std::size_t>(n), room - 1);
}

// Writes the item's current name and turns the odometer; false on status 8.
bool generate(RkBusState* s, char* buf, int size) {
  std::size_t used = 0;
  for (int i = 0; i < s->npieces; ++i) {
    const Piece& p = s->pieces[i];
    const char* text = s->base + p.text;
    char number[32] = "";
    std::size_t nlen = p.has_sub ? format_value(p, number, sizeof number) : 0;
    if (!p.text_after && !append(buf, size, &used, text, p.textlen)) return false;
    if (!append(buf, size, &used, number, nlen)) return false;
    if (p.text_after && !append(buf, size, &used, text, p.textlen)) return false;
  }
  for (int i = s->npieces - 1; i >= 0; --i) {
    Piece& p = s->pieces[i];
    bool wrapped = true;
    if (p.has_sub) {
      bool down = p.end < p.start;
      p.value += down ? -p.step : p.step;
      wrapped = down ? p.value < p.end : p.value > p.end;
    }
    if (!wrapped) return true;
    p.value = p.start;
  }
  s->exhausted = true;
  return true;
}

// One step of the expansion of the list at base (used when s is null).
RkBusState* expand(RkBusState* s, const char* base, std::size_t len, bool owned, char* buf,
                   int size) {
  // A state parsed by this call belongs to nobody yet, even when owned: if
  // it fails before it is handed back, it must be freed here.
  bool fresh = false;
  if (!s) {
    s = parse_item(base, len, 0, owned);
    if (!s) return nullptr;
    fresh = true;
  } else if (s->exhausted) {
    if (s->next) {
      s = s->next;
      s->exhausted = false;
    } else if (more_items(s)) {
      RkBusState* item = parse_item(s->base, s->len, s->rest, s->owned);
      if (s->owned) {
        s->next = item;
      } else {
        free_state(s);
      }
      if (!item) return nullptr;
      s = item;
    } else {
      if (!s->owned) free_state(s);
      return nullptr;
    }
  }

  if (s->is_rep) {
    RkBusState* in = expand(s->inner_cur, s->inner_text, s->inner_len, true, buf, size);
    if (!in) {
      if (!s->owned || fresh) free_state(s);
      return nullptr;
    }
    if (!s->inner_head) s->inner_head = in;
    s->inner_cur = in;
    if (in->exhausted && !in->next && !more_items(in)) {
      if (--s->reps_left <= 0) {
        s->exhausted = true;
        s->reps_left = s->reps_total;
      }
      s->inner_cur = s->inner_head;
      s->inner_head->exhausted = false;
    }
    return s;
  }

  if (!generate(s, buf, size)) {
    if (!s->owned || fresh) free_state(s);
    return nullptr;
  }
  return s;
}

RkBusState* copy_state(const RkBusState* s) {
  RkBusState* c = new_state();
  if (!c) return nullptr;
  *c = *s;
  c->pieces = nullptr;
  c->inner_text = nullptr;
  c->inner_head = c->inner_cur = c->next = nullptr;
  bool ok = true;
  if (s->npieces) {
    c->pieces = static_cast<Piece*>(rkMemMalloc(s->npieces * sizeof(Piece), "vecrec"));
    if (c->pieces)
      std::copy(s->pieces, s->pieces + s->npieces, c->pieces);
    else
      ok = false;
  }
  if (ok && s->inner_text) {
    c->inner_text = static_cast<char*>(rkMemMalloc(s->inner_len + 1, "vecrec"));
    if (c->inner_text)
      std::memcpy(c->inner_text, s->inner_text, s->inner_len + 1);
    else
      ok = false;
  }
  RkBusState** link = &c->inner_head;
  for (const RkBusState* in = s->inner_head; ok && in; in = in->next) {
    RkBusState* ic = copy_state(in);
    if (!ic) {
      ok = false;
      break;
    }
    ic->base = c->inner_text;
    *link = ic;
    link = &ic->next;
    if (in == s->inner_cur) c->inner_cur = ic;
  }
  if (!ok) {
    free_state(c);
    return nullptr;
  }
  return c;
}

// Width of the list [0, len) of base; -1 on error (status set), and the
// result stops at kMaxWidth + 1.
long list_width(const char* base, std::size_t len) {
  long total = 0;
  for (std::size_t pos = skip_seps(base, len, 0); pos < len; pos = skip_seps(base, len, pos)) {
    int depth = 0;
    std::size_t close = 0;
    std::size_t end = item_end(base, len, pos, &depth, &close);
    long width = 0;
    if (base[pos] == '{') {
      if (depth > rk::kMaxBusNesting || close >= end) {
        set_status(RKBUS_BRACKETS);
        return -1;
      }
      long count = 0;
      if (int s = repetition_count(base, close + 1, end, &count)) {
        set_status(s);
        return -1;
      }
      long inner = list_width(base + pos + 1, close - pos - 1);
      if (inner < 0) return -1;
      width = inner * count;
    } else {
      std::vector<Piece> pieces;
      if (int s = cut_pieces(base, pos, end, &pieces)) {
        set_status(s);
        return -1;
      }
      width = 1;
      for (const Piece& p : pieces) width = std::min(width * value_count(p), kMaxWidth + 1);
    }
    if (width > kMaxWidth) {
      set_status(RKBUS_RANGE);
      return -1;
    }
    if (width == 0) return 0;
    total += width;
    if (total > kMaxWidth) {
      set_status(RKBUS_RANGE);
      return -1;
    }
    pos = end;
  }
  return total;
}

}  // namespace

RkBusState* rkBusExpand(RkBusState* state, const char* name, char* buf, int size) {
  if (!name || !buf) {
    free_state(state);
    set_status(RKBUS_NULLARG);
    return nullptr;
  }
  if (size < 1) {
    free_state(state);
    set_status(RKBUS_OVERFLOW);
    return nullptr;
  }
  set_status(RKBUS_OK);
  buf[0] = '\0';
  // The length is only needed to parse the first item; later calls work
  // from the state, so a long list is not rescanned for every name.
  return expand(state, name, state ? 0 : std::strlen(name), false, buf, size);
}

void rkBusExpandFree(RkBusState* state) {
  set_status(RKBUS_OK);
  free_state(state);
}

RkBusState* rkBusExpandCopy(const RkBusState* state) {
  if (!state) {
    set_status(RKBUS_NULLARG);
    return nullptr;
  }
  set_status(RKBUS_OK);
  RkBusState* c = copy_state(state);
  if (!c) set_status(RKBUS_RANGE);
  return c;
}

int rkBusExpandWidth(const char* name) {
  if (!name) {
    set_status(RKBUS_NULLARG);
    return 0;
  }
  set_status(RKBUS_OK);
  long w = list_width(name, std::strlen(name));
  return w < 0 ? 0 : static_cast<int>(w);
}

int rkBusExpandPlain(const char* name) {
  if (!name || !name[0]) return 0;
  for (const char* p = name; *p; ++p) {
    char c = *p;
    if (c == '[' || c == ']' || c == '{' || c == '}' || is_sep(c)) return 0;
  }
  set_status(RKBUS_OK);
  return 1;
}

int rkBusExpandSubset(const char* a, const char* b) {
  if (!a || !b) {
    set_status(RKBUS_NULLARG);
    return 0;
  }
  set_status(RKBUS_OK);
  if (std::strcmp(a, b) == 0) return 1;

  // Plain names that differ before their first subscript cannot match.
  auto listy = [](const char* s) {
    if (s[0] == '{') return true;
    for (; *s; ++s)
      if (is_sep(*s)) return true;
    return false;
  };
  if (!listy(a) && !listy(b)) {
    for (std::size_t i = 0; a[i] && b[i] && a[i] != '[' && b[i] != '['; ++i)
      if (a[i] != b[i]) return 0;
  }

  // Both names are walked whole below, so a name whose width cannot be
  // counted (malformed, or more than 65535 signals) is refused first: it
  // could stand for billions of names.
  if (rkBusExpandWidth(a) == 0 || rkBusExpandWidth(b) == 0) return 0;

  // Expand a into a set ("wlib set"); look b's names up in it.
  int size = static_cast<int>(std::max(std::strlen(a), std::strlen(b)));
  std::string buf(static_cast<std::size_t>(size) + 1, '\0');
  std::vector<std::string> names;
  std::unordered_set<std::string_view> set;
  for (RkBusState* st = nullptr; (st = rkBusExpand(st, a, buf.data(), size)) != nullptr;)
    names.emplace_back(buf.c_str());
  for (const std::string& n : names) set.insert(n);
  if (set.empty()) return 0;

  bool any = false;
  RkBusState* st = nullptr;
  while ((st = rkBusExpand(st, b, buf.data(), size)) != nullptr) {
    any = true;
    if (!set.count(std::string_view(buf.c_str()))) {
      rkBusExpandFree(st);
      return 0;
    }
  }
  return any && bus.status == RKBUS_OK ? 1 : 0;
}

int rkBusExpandFrame(const char* name) {
  if (!name) {
    set_status(RKBUS_NULLARG);
    return 0;
  }
  set_status(RKBUS_OK);
  std::size_t len = std::strlen(name);
  bool broken = false;
  for (std::size_t pos = skip_seps(name, len, 0); pos < len; pos = skip_seps(name, len, pos)) {
    int depth = 0;
    std::size_t close = 0;
    std::size_t end = item_end(name, len, pos, &depth, &close);
    for (std::size_t p = pos; p < end; ++p) {
      if (name[p] != '[') continue;
      std::size_t bracket_close = 0;
      switch (classify(name, end, p, &bracket_close)) {
        case Bracket::kText:
          set_status(RKBUS_BRACKETS);
          return 1;
        case Bracket::kSubscript:
          p = bracket_close;
          break;
        case Bracket::kError:
          broken = true;
          break;
      }
    }
    pos = end;
  }
  if (broken) set_status(RKBUS_BRACKETS);
  return 0;
}

void rkBusExpandRepsep(const char* separators) {
  if (!separators) {
    set_status(RKBUS_NULLARG);
    return;
  }
  set_status(RKBUS_OK);
  std::size_t n = std::min(std::strlen(separators), rk::kMaxBusSeparators);
  std::memcpy(bus.separators, separators, n);
  bus.separators[n] = '\0';
  build_sep_table();
}

int rkBusExpandStatus() { return bus.status; }

void rkBusExpandReset() {
  bus = BusGlobals();
  build_sep_table();
}
