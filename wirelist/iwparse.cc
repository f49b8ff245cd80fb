// wirelist/iwparse.cc - the wirelist file reader.
//
// iwparse reads one wirelist from iws.input with a loop over records: a
// word that starts a line is dispatched by its first letter (before the
// "DW" record only comments, "V", "K", "D..." and "E..." words count, any
// other word is passed over on its own).  Handlers read the rest of their
// record; a line end token ends a record, so a short record stops at its
// line and never eats the next one.  Lines end in "\n" or "\r\n"; any
// other carriage return reads as a blank.
//
// The reader takes files from anywhere, so every size is bounded: tokens
// keep 16384 characters, names 255, values 16383, one bus name yields at
// most 65535 signals (wider ones are refused before they are walked),
// a symbol has at most 32767 pins, and pin arrays are never filled past
// the pin count they were made with.
#include "wirelist/iwparse.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "catalogs/nodex.h"
#include "util/rkbus.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwpld.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"

namespace {

// Default token sets: words end at a blank or line end, blanks are passed
// over, and each line end is a token of its own.
constexpr const char* kDelims = " \n";
constexpr const char* kSkip = " ";

// An attribute runs to the next backquote or line end; blanks and
// backquotes before it are passed over.
constexpr const char* kAttDelims = "`\n";
constexpr const char* kAttSkip = " `";

// A scratch buffer of the quick-buffer pool, given back on every path out.
class QuickBuf {
 public:
  explicit QuickBuf(std::size_t size) : p_(iwqkalloc(size)) {}
  ~QuickBuf() { iwqkfree(p_); }
  QuickBuf(const QuickBuf&) = delete;
  QuickBuf& operator=(const QuickBuf&) = delete;
  char* get() const { return p_; }

 private:
  char* p_;
};

// A set of token characters as a table: member[c] for every byte c but
// the terminator.  The reader's own sets are made once.
struct CharSet {
  bool member[256] = {};
  explicit CharSet(const char* text) {
    for (const char* p = text ? text : ""; *p; ++p) member[static_cast<unsigned char>(*p)] = true;
  }
};

const CharSet& char_set(const char* text, std::optional<CharSet>& scratch) {
  static const CharSet delims(kDelims), skip(kSkip), attdelims(kAttDelims), attskip(kAttSkip);
  if (text == kDelims) return delims;
  if (text == kSkip) return skip;
  if (text == kAttDelims) return attdelims;
  if (text == kAttSkip) return attskip;
  return scratch.emplace(text);
}

bool in_set(int c, const CharSet& set) {
  return c != EOF && c != '\0' && set.member[static_cast<unsigned char>(c)];
}

// Upper case as std::toupper gives it, looked up.
struct UpperTable {
  char up[256];
  UpperTable() {
    for (int c = 0; c < 256; ++c) up[c] = static_cast<char>(std::toupper(c));
  }
};

// The next character of the wirelist.  A carriage return reads as a
// blank: before a line feed it is then passed over like any blank before
// a line end (every record ignores those), so "\r\n" ends a line as "\n"
// does, and a lone one inside a line separates words as a blank would.
// Mapping it here, rather than looking ahead for the line feed, keeps
// the one character of push-back the tokenizer needs for its delimiter.
int next_char(std::FILE* in) {
  int c = getc_unlocked(in);
  return c == '\r' ? ' ' : c;
}

// The next word of the record: 1 with a word in iws.token, 0 at the line
// end, -1 at the end of the file.
int next_word() {
  if (iwtoken(kDelims, kSkip) < 0) return -1;
  return iws.atlineend ? 0 : 1;
}

const char* safe(const char* s) { return s ? s : ""; }

// A group first named by a record: made, linked at the head of the
// reference list and stored in the group table.
IwGrp* new_group(const char* name) {
  IwGrp* g = iwmkgroup(name);
  g->next = iws.grpref;
  iws.grpref = g;
  store_grp(g);
  return g;
}

IwGrp* find_or_new_group(const std::string& name) {
  std::string key = name;
  if (IwGrp* g = iwgrpref(key.data())) return g;
  return new_group(key.c_str());
}

// A group's first symbol; groups made by the modification API may have
// none yet.
IwSym* ensure_sym(IwGrp* g) {
  if (!g->sym) g->sym = iwmksym(g);
  return g->sym;
}

// A decimal number as atoi reads it, clamped to the range of int.
int to_int(const char* s) {
  long v = std::strtol(s, nullptr, 10);
  return static_cast<int>(std::clamp<long>(v, INT_MIN, INT_MAX));
}

bool fail() {
  iws.loaderror = true;
  return false;
}

void report_bus_status(int status, const char* name) {
  name = safe(name);
  if (status >= RKBUS_BRACKETS && status <= RKBUS_ZEROSTEP)
    iwmsghndlr(4, NDX_BUSBRACKETS + status - RKBUS_BRACKETS, name);
  else if (status == RKBUS_NULLARG)
    iwmsghndlr(4, NDX_BUSNULLARG, name);
  else if (status == RKBUS_OVERFLOW)
    iwmsghndlr(4, NDX_BUSTOOLONG, name);
}

void add_att(IwAtt** list, const char* name, const char* value) {
  *list = iwaddatt(*list, iwmkatt(name, value));
}

void add_unique(IwAtt** list, const char* name, const char* value) {
  if (!iwdupatt(*list, name, value)) add_att(list, name, value);
}

// Turns GND_PIN and VDD_PIN into the SIGNAL form "GND;..." / "VDD;...".
void power_pin_to_signal(char* name, char* value) {
  const char* prefix = nullptr;
  if (std::strcmp(name, "GND_PIN") == 0) prefix = "GND;";
  if (std::strcmp(name, "VDD_PIN") == 0) prefix = "VDD;";
  if (!prefix) return;
  std::string v = std::string(prefix) + value;
  rkStrncpyNullTerm(value, v.c_str(), iw::kAttValueBuffer);
  std::strcpy(name, "SIGNAL");
}

// Adds one SIGNAL attribute per signal of the part after the first ";",
// each valued "<prefix>;<signal>".  unique keeps equal ones out.  False
// when the value has no ";".
bool add_signals(IwAtt** list, const char* value, bool unique) {
  const char* semi = std::strchr(value, ';');
  if (!semi) return false;
  std::string prefix(value, static_cast<std::size_t>(semi - value + 1));
  IwExpIter it;
  iwexpbegin(&it, semi + 1, true);
  char bit[iw::kBitNameBuffer];
  while (iwexpnext(&it, bit, sizeof bit)) {
    std::string v = prefix + bit;
    if (unique)
      add_unique(list, "SIGNAL", v.c_str());
    else
      add_att(list, "SIGNAL", v.c_str());
  }
  return true;
}

// The symbol pin named name of sym, or null.
IwSpn* find_spn(IwSym* sym, const char* name) {
  if (IwSpnIndex* ix = iwspnindex(sym)) {
    bool stale = false;
    IwSpn* s = iwspnnamed(sym, ix, name, &stale);
    if (!stale) return s;
  }
  int passed = 0;
  IwSpn* found = nullptr;
  for (IwSpn* s = sym->spns; s; s = s->next, ++passed) {
    if (s->name && std::strcmp(s->name, name) == 0) {
      found = s;
      break;
    }
  }
  if (passed >= iw::kSpnIndexMin) iwspnbuild(sym);
  return found;
}

// Symbol pin index (1-based) of sym, extending the list with unnamed pins
// up to it; the pin count is not changed.  index is at most kMaxPins.
IwSpn* spn_at(IwSym* sym, int index) {
  if (IwSpnIndex* ix = iwspnindex(sym)) {
    while (ix->pins.size() < static_cast<std::size_t>(index)) {
      IwSpn* s = iwalcspin();
      ix->pins.back()->next = s;
      iwspnpushback(ix, s);
    }
    return ix->pins[static_cast<std::size_t>(index) - 1];
  }
  IwSpn** link = &sym->spns;
  IwSpn* s = nullptr;
  for (int k = 1; k <= index; ++k) {
    if (!*link) *link = iwalcspin();
    s = *link;
    link = &s->next;
  }
  if (index >= iw::kSpnIndexMin) iwspnbuild(sym);
  return s;
}

// Pin-order entries of text, as the words of a blank-separated list.
const char* skip_blanks(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

const char* word_end(const char* p) {
  while (*p && *p != ' ' && *p != '\t') ++p;
  return p;
}

}  // namespace

// --- walking names -----------------------------------------------------------------------

IwExpIter::~IwExpIter() { rkBusExpandFree(state); }

void iwexpbegin(IwExpIter* it, const char* text, bool expand) {
  rkBusExpandFree(it->state);
  it->state = nullptr;
  it->text = safe(text);
  it->rest = it->text;
  it->expand = expand;
  it->done = false;
  it->plain = false;
  if (!expand) return;
  // Most names are single signals: no expansion state for them.
  if (rkBusExpandPlain(it->text)) {
    it->plain = true;
    return;
  }
  // A name is walked only when the expander can count it: this refuses
  // names of more than 65535 signals, which rkBusExpand alone would walk
  // one by one however many there are.
  if (rkBusExpandWidth(it->text) == 0) {
    report_bus_status(rkBusExpandStatus(), it->text);
    it->done = true;
  }
}

int iwexpnext(IwExpIter* it, char* out, int size) {
  if (size > 0) out[0] = '\0';
  if (it->done || size < 2) return 0;
  if (!it->expand) {
    const char* p = skip_blanks(it->rest);
    if (!*p) {
      it->done = true;
      return 0;
    }
    const char* end = word_end(p);
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(end - p),
                                          static_cast<std::size_t>(size) - 1);
    std::memcpy(out, p, n);
    out[n] = '\0';
    it->rest = end;
    return 1;
  }
  if (it->plain) {
    std::size_t n = std::strlen(it->text);
    if (n < static_cast<std::size_t>(size)) {
      std::memcpy(out, it->text, n + 1);
      it->done = true;
      return 1;
    }
    it->plain = false;  // too long for out: the expander reports it
  }
  it->state = rkBusExpand(it->state, it->text, out, size);
  if (it->state) return 1;
  it->done = true;
  report_bus_status(rkBusExpandStatus(), it->text);
  return 0;
}

int iwexpstr(const char* text, char* out, int expand, int first) {
  if (first) iwexpbegin(&iws.expstr, text, expand != 0);
  return iwexpnext(&iws.expstr, out, iw::kBitNameBuffer);
}

int iwpinwidth(const char* text, int expand) {
  if (!text) return 0;
  if (expand) return rkBusExpandWidth(text);
  int n = 0;
  for (const char* p = skip_blanks(text); *p; p = skip_blanks(word_end(p))) ++n;
  return n;
}

void iwchkexp(const char* name) { report_bus_status(rkBusExpandStatus(), name); }

// --- tokens and attributes ---------------------------------------------------------------

namespace {

// Message 348 for a token of n bytes holding a NUL, shown with ^@ for
// each NUL and cut after a screenful.
void report_nul(const char* tok, std::size_t n) {
  constexpr std::size_t kShown = 64;
  std::string shown;
  for (std::size_t i = 0; i < n && i < kShown; ++i) shown += tok[i] ? std::string(1, tok[i]) : "^@";
  if (n > kShown) shown += "...";
  iwmsghndlr(4, NDX_TOKENNUL, iws.parsefile ? iws.parsefile : "", iws.cursheet, shown.c_str());
}

}  // namespace

int iwtoken(const char* delims, const char* skip) {
  char* tok = iws.token;
  tok[0] = '\0';
  iws.atlineend = false;
  std::FILE* in = iws.input;
  if (!in) return -1;
  static const UpperTable upper;
  std::optional<CharSet> scratch1, scratch2;
  const CharSet& skipset = char_set(skip, scratch1);
  const CharSet& delimset = char_set(delims, scratch2);
  int c;
  do c = next_char(in);
  while (in_set(c, skipset));
  std::size_t n = 0;
  bool cut = false;
  bool nul = false;
  while (c != EOF && !in_set(c, delimset)) {
    nul |= c == '\0';
    if (n < iw::kMaxTokenChars)
      tok[n++] = upper.up[static_cast<unsigned char>(c)];
    else
      cut = true;
    c = next_char(in);
  }
  tok[n] = '\0';
  if (cut) iwmsghndlr(4, NDX_TOKENLONG, static_cast<int>(iw::kMaxTokenChars));
  if (nul) {
    // A NUL would end the name early (N\0001 would read as N), so the
    // text is reported and its record ends here, as at a line end: the
    // record's own checks then say what is missing.
    report_nul(tok, n);
    if (c != EOF && c != '\n') {
      do c = getc_unlocked(in);
      while (c != EOF && c != '\n');
    }
    tok[0] = '\n';
    tok[1] = '\0';
    iws.atlineend = true;
    return 0;
  }
  if (n > 0) {
    if (c != EOF) std::ungetc(c, in);
    return 0;
  }
  if (c == EOF) return -1;
  tok[0] = static_cast<char>(c);
  tok[1] = '\0';
  iws.atlineend = c == '\n';
  return 0;
}

void iwsynch() {
  if (iws.atlineend || !iws.input) return;
  int c;
  do c = std::getc(iws.input);
  while (c != EOF && c != '\n');
  iws.atlineend = true;
}

int iwreadatt(char* name, char* value) {
  name[0] = '\0';
  value[0] = '\0';
  if (iwtoken(kAttDelims, kAttSkip) < 0 || iws.atlineend) return 0;
  const char* p = iws.token;
  while (*p == ' ') ++p;
  const char* start = p;
  while (*p && *p != ' ' && *p != '=') ++p;
  auto nlen = static_cast<std::size_t>(p - start);
  if (nlen >= iw::kAttNameBuffer) {
    std::string sofar(start, iw::kAttNameBuffer - 1);
    iwmsghndlr(4, NDX_ATTNAMELONG, static_cast<int>(iw::kAttNameBuffer), sofar.c_str(), iws.token);
    // The attributes end here; what follows on the line is not a record.
    iwsynch();
    return 0;
  }
  std::memcpy(name, start, nlen);
  name[nlen] = '\0';
  while (*p == ' ') ++p;
  if (*p == '=') ++p;  // a second "=" belongs to the value
  while (*p == ' ') ++p;
  std::size_t vlen = std::strlen(p);
  while (vlen > 0 && p[vlen - 1] == ' ') --vlen;
  vlen = std::min(vlen, iw::kAttValueBuffer - 1);
  std::memcpy(value, p, vlen);
  value[vlen] = '\0';
  return 1;
}

int iwsysatt(const char* name) {
  if (!name) return 0;
  for (const char* s : {"@DATETIME", "@NAME", "@SHEET", "@XYCOORD"})
    if (std::strcmp(name, s) == 0) return 1;
  return 0;
}

// --- the file -------------------------------------------------------------------------------

int iwnextword() { return next_word(); }

void iwerr(const char* word, const char* filename, int sheet) {
  iwmsghndlr(4, NDX_UNKNOWNRECORD, safe(word), safe(filename), sheet);
  iwsynch();
}

int iwcomment(const char* filename, int sheet, int beforeversion) {
  if (next_word() != 1) return 0;
  const char* word = iws.token;
  if (beforeversion && std::strcmp(word, "WIRELIST") == 0) {
    // "WIRELIST <w1> <w2> <w3> [<version>]": a PLD file stops at its
    // third word, others carry the version fourth.
    for (int i = 0; i < 3; ++i)
      if (next_word() != 1) return 0;
    if (std::strcmp(iws.token, "PLD") != 0 && next_word() != 1) return 0;
    if (std::isdigit(static_cast<unsigned char>(iws.token[0]))) {
      std::string v = iws.token;
      std::size_t dot = v.find('.');
      if (dot != std::string::npos) dot = v.find('.', dot + 1);
      if (dot != std::string::npos) v.resize(dot);
      iws.version = static_cast<float>(std::atof(v.c_str()));
      if (static_cast<double>(iws.version) < 2.55) {
        iwmsghndlr(2, NDX_OLDVERSION, safe(filename), sheet, static_cast<double>(iws.version));
        iwmsghndlr(10, NDX_OLDVERSION2);
      }
    }
    iwsynch();
    return 0;
  }
  for (const char* broken : {"ERROR", "INTERNAL", "SYM_ERROR", "SCH_ERROR"}) {
    if (std::strcmp(word, broken) == 0) {
      iwmsghndlr(4, NDX_BROKENFILE, safe(filename), sheet);
      iwmsghndlr(12, NDX_BROKENFILE2);
      return 1;
    }
  }
  iwsynch();
  return 0;
}

namespace {

// Parse state of one file.
struct ParseState {
  const char* filename;
  int single;
  IwGrp* group = nullptr;
  bool seen_v = false;
  bool seen_k = false;
  bool seen_dw = false;
  bool prev_was_v = false;  // the record before this one was "V"
};

bool eof_fail(const ParseState& st) {
  iwmsghndlr(4, NDX_EOFBEFOREEW, st.filename);
  return fail();
}

bool read_version(ParseState& st) {
  if (st.seen_v || st.seen_k || st.seen_dw) {
    iwmsghndlr(4, NDX_BADVERSION, st.filename);
    return fail();
  }
  st.seen_v = true;
  if (iwtoken(kDelims, kSkip) < 0) return eof_fail(st);
  std::string word = iws.atlineend ? "" : iws.token;
  // Kept in single precision, so 2.55 itself reads as older than 2.55 and
  // 5.30 as newer than 5.3.
  iws.version = static_cast<float>(std::atof(word.c_str()));
  auto v = static_cast<double>(iws.version);
  if (v < 2.55) {
    iwmsghndlr(2, NDX_OLDVERSION, st.filename, iws.cursheet, v);
    iwmsghndlr(10, NDX_OLDVERSION2);
  }
  // "V NAN" compares neither older nor newer: it is no version either.
  // What this database writes itself carries its own version, which the
  // rule for newer formats would refuse; it is always readable.
  if ((word == "5.3" || v > 5.3 || !std::isfinite(v)) && word != iwversion()) {
    iwmsghndlr(4, NDX_BADVERSION, st.filename);
    return fail();
  }
  iwsynch();
  return true;
}

bool read_k(ParseState& st, bool after_v) {
  if (!after_v) {
    iwmsghndlr(4, NDX_KMISPLACED, st.filename);
    return fail();
  }
  st.seen_k = true;
  int r = next_word();
  if (r < 0) return eof_fail(st);
  if (r == 1 && iwtoken(kDelims, kSkip) < 0) return eof_fail(st);
  return true;
}

bool read_dw(ParseState& st) {
  if (st.seen_dw) {
    iwmsghndlr(4, NDX_SECONDDW, st.filename);
    return fail();
  }
  st.seen_dw = true;
  int r = next_word();
  if (r < 0) return eof_fail(st);
  if (r == 0) {
    iwmsghndlr(4, NDX_DWNONAME, st.filename);
    return fail();
  }
  if (rkStrIcmp(iwparsename(st.filename), iwparsename(iws.token)) != 0) {
    iwmsghndlr(4, NDX_DWMISMATCH, iws.token);
    iwmsghndlr(12, NDX_DWMISMATCH2, st.filename);
    return fail();
  }
  // The group is named after the file (which the caller chose), not after
  // the record, so a library prefix or case in the record does not matter.
  rkStrncpyNullTerm(iws.token, st.filename, sizeof iws.token);
  rkStrUpc(iws.token);
  IwGrp* g = st.single ? iwgengrpref(iws.token) : iwgrpref(iws.token);
  st.group = iwaddgroup(g, IW_UNKNOWN);
  if (iws.loaderror) return false;
  if (st.group->sym && st.group->sym->symtype == IW_UNKNOWN) st.group->sym->symtype = IW_COMPOSITE;
  return true;
}

bool single_letter(const char* word) { return word[1] == '\0'; }

}  // namespace

IwGrp* iwparse(const char* filename, int single) {
  iws.version = 0.0f;
  ParseState st;
  st.filename = safe(filename);
  struct NameForMessages {
    explicit NameForMessages(const char* name) { iws.parsefile = name; }
    ~NameForMessages() { iws.parsefile = nullptr; }
  } in_messages(st.filename);
  st.single = single;
  for (;;) {
    if (iwtoken(kDelims, kSkip) < 0) {
      eof_fail(st);
      return nullptr;
    }
    if (iws.atlineend) continue;  // empty line
    // The dispatch below may read further tokens; keep the record's word.
    std::string word = iws.token;
    const char* w = word.c_str();
    char first = w[0];
    if (!st.seen_dw && first != '|' && first != 'V' && first != 'K' && first != 'D' && first != 'E')
      continue;  // before the group is named, stray words are passed over one by one
    bool prev_was_v = st.prev_was_v;
    st.prev_was_v = false;
    IwGrp* g = st.group;
    int sheet = iws.cursheet;
    bool ok = true;
    switch (first) {
      case '|':
        if (iwcomment(st.filename, sheet, st.seen_v ? 0 : 1)) ok = fail();
        break;
      case 'V':
        ok = read_version(st);
        st.prev_was_v = ok;
        break;
      case 'K':
        ok = read_k(st, prev_was_v);
        break;
      case 'D':
        if (word == "DW")
          ok = read_dw(st);
        else if (word !=
                 "DESIGN_MAY_CONTAIN_RIPPERS__RECOMPILATION_AND_RELINKING_WITH_RIPPER_VERSION_"
                 "OF_NODEX_REQUIRED")
          iwerr(w, st.filename, sheet);
        break;
      case 'E':
        if (word == "EW") return st.group;
        iwerr(w, st.filename, sheet);
        break;
      case 'M':
      case 'W':
        if (single_letter(w))
          iwmodule(g, first == 'M' ? IW_MODULE : IW_COMPOSITE);
        else
          iwerr(w, st.filename, sheet);
        break;
      case 'I':
        if (!single_letter(w))
          iwerr(w, st.filename, sheet);
        else if (iwinst(g))
          ok = fail();
        break;
      case 'P':
        if (single_letter(w))
          iwscpin(g);
        else
          iwerr(w, st.filename, sheet);
        break;
      case 'G':
        if (single_letter(w))
          iwgnet(g);
        else
          iwerr(w, st.filename, sheet);
        break;
      case 'A':
        if (word == "AN")
          iwnetattr(g);
        else if (word == "AP")
          iwpinatt(g);
        else if (word == "API")
          iwapi(g);
        else if (word == "AS") {
          if (iwsymat(g)) ok = fail();
        } else {
          iwerr(w, st.filename, sheet);
        }
        break;
      case 'S':
        if (word == "SA") iwschatt(g);
        // any other "S" word is passed over alone; its line goes on
        break;
      case 'F':
        if (!single_letter(w))
          iwerr(w, st.filename, sheet);
        else if (iwpld(g, IW_PLD))
          ok = fail();
        break;
      default:
        iwerr(w, st.filename, sheet);
        break;
    }
    if (!ok) return nullptr;
  }
}

// --- record handlers ------------------------------------------------------------------------

int iwmodule(IwGrp* group, int type) {
  if (next_word() != 1) return 0;
  std::string grpname = iws.token;
  if (next_word() != 1) return 0;
  IwCom* com = iwmkcomp(iws.token, grpname.c_str(), type);
  iwaddcomp(iwgetsch(group), com);
  return 0;
}

namespace {

// Fresh elements for a pin array of n pins at head, owned by com.
IwPin* init_pins(IwPin* head, IwCom* com, int n) {
  new (head) IwPin{};
  head->com = com;
  head->npins = n;
  for (int k = 1; k <= n; ++k) {
    IwPin* pin = new (head + k) IwPin{};
    pin->index = static_cast<std::int16_t>(k);
    pin->atts = nullptr;
    pin->next = nullptr;
  }
  return head;
}

// A pin array of n pins from the data pool, owned by com.
IwPin* make_pins(IwCom* com, int n) {
  void* mem = iwballoc(iwdatapool(), (static_cast<std::size_t>(n) + 1) * sizeof(IwPin), iw::kLanePins);
  return init_pins(static_cast<IwPin*>(mem), com, n);
}

// Takes the pins of an array off their nets, so that a component whose
// "I" record comes again is connected as the last record says and no net
// keeps pins of an array the component no longer has.  Each ring touched
// is rebuilt once, without the array's elements.
void detach_pins(IwPin* head) {
  IwPin* first = head + 1;
  IwPin* last = head + head->npins;
  std::vector<IwNet*> nets;
  std::unordered_set<IwNet*> seen;
  for (IwPin* p = first; p <= last; ++p) {
    IwNet* net = p->next ? igpinnet(p) : nullptr;
    if (net && seen.insert(net).second) nets.push_back(net);
  }
  for (IwNet* net : nets) {
    void** link = &net->pins;
    for (void* e = net->pins; e && e != net;) {
      auto* pin = static_cast<IwPin*>(e);
      e = pin->next;
      if (pin >= first && pin <= last)
        *link = e;
      else
        link = &pin->next;
    }
  }
  for (IwPin* p = first; p <= last; ++p) {
    p->next = nullptr;
    p->onnet = nullptr;
    iwattforget(p->atts);  // the record made again starts the pins' lists afresh
  }
}

void connect(IwPin* pin, const char* netname, IwGrp* group) {
  if (IwNet* net = iwmknet(netname, group)) ianetpin(net, pin);
}

// Step 3 of an "I" record: the nets, one token per pin-order entry.
// False (message 285) when the line ends before every pin has a net.
bool read_inst_nets(IwGrp* group, IwCom* com, IwPin* head, int n, bool lineend) {
  IwGrp* symgrp = com->sym ? com->sym->grp : nullptr;
  char pname[iw::kAttNameBuffer];
  char bit[iw::kBitNameBuffer];
  int k = 0;  // pins filled
  for (int p = 1; k < n; ++p) {
    int r = lineend ? 0 : next_word();
    if (r < 0) return true;  // the end of the file ends the record as read
    if (r == 0 || std::strchr(iws.token, '`')) {
      iwmsghndlr(4, NDX_TOOFEWNETS, safe(com->name), safe(group->name));
      return false;
    }
    std::string tok = iws.token;
    int w = 1;
    pname[0] = '\0';
    iwgetpord(symgrp, p, pname, &w);
    if (!iws.busexpand) w = 1;
    int take = std::min(w, n - k);
    IwExpIter it;
    iwexpbegin(&it, tok.c_str(), iws.busexpand);
    int used = 0;
    while (used < take && iwexpnext(&it, bit, sizeof bit)) {
      ++used;
      ++k;
      connect(head + k, bit, group);
    }
    if (!iws.busexpand) continue;
    // Elements beyond the entry's width are dropped; count them by width
    // rather than by walking them.
    int count = used;
    if (used >= take) {
      int width = rkBusExpandPlain(tok.c_str()) ? 1 : rkBusExpandWidth(tok.c_str());
      count = std::max(used, width);
    }
    if (count < w) {
      k += take - used;  // the rest of the entry stays unconnected
      if (tok != "?") {
        iwmsghndlr(2, NDX_INSTWIDTH, safe(com->name), pname, w);
        iwmsghndlr(10, NDX_INSTWIDTH2, tok.c_str(), count);
        iwmsghndlr(10, NDX_INSTSHORT, w - count);
      }
    } else if (count > w) {
      iwmsghndlr(2, NDX_INSTWIDTH, safe(com->name), pname, w);
      iwmsghndlr(10, NDX_INSTWIDTH2, tok.c_str(), count);
      iwmsghndlr(10, NDX_INSTEXCESS, count - w);
    }
  }
  return true;
}

}  // namespace

int iwinst(IwGrp* group) {
  int r = next_word();
  if (r < 0) return 0;
  std::string inst = r == 1 ? iws.token : "";
  IwCom* com = fetch_com(iwgetsch(group), inst.c_str());
  if (!com) {
    iwmsghndlr(4, NDX_UNKNOWNINST, inst.c_str(), safe(group->name), iws.cursheet);
    return 1;
  }
  if (r == 1) r = next_word();  // the group word is not used
  if (r < 0) return 0;
  bool lineend = r == 0;
  int n = com->sym ? std::max<int>(com->sym->npins, 0) : 0;
  if (com->pins) detach_pins(com->pins);
  IwPin* head =
      com->pins && com->pins->npins == n ? init_pins(com->pins, com, n) : make_pins(com, n);
  com->pins = head;
  if (n >= 1 && !read_inst_nets(group, com, head, n, lineend)) return 1;
  if (lineend || iws.atlineend) return 0;

  QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
  while (iwreadatt(name.get(), value.get())) {
    power_pin_to_signal(name.get(), value.get());
    if (std::strcmp(name.get(), "LABEL") == 0) {
      if (const IwAtt* old = iwgetatt(com->atts, "LABEL"))
        iwmsghndlr(2, NDX_SECONDLABEL, safe(com->name), safe(group->name), safe(old->value),
                   value.get());
    }
    if (std::strcmp(name.get(), "SIGNAL") == 0) {
      if (!add_signals(&com->atts, value.get(), false))
        iwmsghndlr(4, NDX_SIGNALNOSEMI, "component", safe(com->name));
      continue;
    }
    add_att(&com->atts, name.get(), value.get());
  }
  return 0;
}

namespace {

// The symbol pin of a port: found by name, or made in the top group.  A
// top group whose 16-bit pin count is full gets no more pins: *full is
// set after message 350, and the caller drops the rest of the record.
IwSpn* port_pin(IwGrp* group, const char* pinname, bool* full) {
  IwSym* sym = ensure_sym(group);
  if (IwSpn* s = find_spn(sym, pinname)) return s;
  std::string up = pinname;
  rkStrUpc(up.data());
  if (group == iws.topgrp) {
    if (sym->npins >= iw::kMaxPins) {
      iwmsghndlr(4, NDX_TOOMANYPINS, up.c_str(), safe(group->name), iw::kMaxPins);
      *full = true;
      return nullptr;
    }
    IwSpnIndex* ix = iwspnindex(sym);
    IwSpn* s = iwmkspin(pinname);
    s->next = sym->spns;
    sym->spns = s;
    if (ix) iwspnpushfront(ix, s);
    ++sym->npins;
    return s;
  }
  iwmsghndlr(4, NDX_PORTNOPIN, up.c_str(), safe(group->name), iws.cursheet);
  return nullptr;
}

// Gives a port pin the attributes of its record and of its pin type's
// first pin that it does not carry yet, and ties it to its net.
void fill_port_pin(IwSpn* spn, const IwAtt* recatts, const IwGrp* pintype, const char* netname,
                   IwGrp* group) {
  for (const IwAtt* a = recatts; a; a = a->next)
    if (!iwgetatt(spn->atts, a->name)) add_att(&spn->atts, a->name, a->value);
  const IwSpn* typepin = pintype && pintype->sym ? pintype->sym->spns : nullptr;
  for (const IwAtt* a = typepin ? typepin->atts : nullptr; a; a = a->next)
    if (!iwgetatt(spn->atts, a->name)) add_att(&spn->atts, a->name, a->value);
  spn->net = netname ? iwmknet(netname, group) : nullptr;
}

}  // namespace

int iwscpin(IwGrp* group) {
  if (next_word() != 1) return 0;
  std::string typegrp = iws.token;
  if (next_word() != 1) return 0;
  IwGrp* pintype = iwgrpref(typegrp.data());
  if (pintype) {
    iwchktype(pintype, IW_PIN);
  } else {
    pintype = new_group(typegrp.c_str());
    pintype->sym->symtype = IW_PIN;
    pintype->sym->npins = 1;
  }
  iwsynch();
  int r = next_word();
  if (r < 0) return 0;
  if (r == 0 || std::strcmp(iws.token, "I") != 0) {
    iwmsghndlr(4, NDX_PORTNOI, safe(group->name), iws.cursheet);
    return 0;
  }
  std::string word[3];
  for (auto& s : word) {
    if (next_word() != 1) return 0;
    s = iws.token;
  }
  const std::string& pinname = word[0];
  const std::string& netname = word[2];
  IwAtt* recatts = nullptr;
  if (!iws.atlineend) {
    QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
    while (iwreadatt(name.get(), value.get())) add_att(&recatts, name.get(), value.get());
  }

  bool full = false;
  if (!iws.busexpand) {
    if (IwSpn* spn = port_pin(group, pinname.c_str(), &full))
      fill_port_pin(spn, recatts, pintype, netname.c_str(), group);
    return 0;
  }
  int netw = rkBusExpandWidth(netname.c_str());
  if (netw == 0) iwchkexp(netname.c_str());
  int pinw = rkBusExpandWidth(pinname.c_str());
  if (pinw == 0) iwchkexp(pinname.c_str());
  if (netw > pinw && pinname[0] != '$' && (pinname.size() < 2 || pinname[1] != '?')) {
    iwmsghndlr(2, NDX_PORTNETWIDER, netname.c_str(), netw, netw - pinw);
    iwmsghndlr(10, NDX_PORTNETWIDER2, pinname.c_str(), pinw);
  } else if (pinw > netw) {
    iwmsghndlr(2, NDX_PORTPINWIDER, pinname.c_str(), pinw, netname.c_str(), netw);
    iwmsghndlr(10, NDX_PORTPINWIDER2);
  }
  if (pinw == 0) return 0;
  IwExpIter pins, nets;
  iwexpbegin(&pins, pinname.c_str(), true);
  if (netw > 0) iwexpbegin(&nets, netname.c_str(), true);
  char pinbit[iw::kBitNameBuffer], netbit[iw::kBitNameBuffer];
  while (!full && iwexpnext(&pins, pinbit, sizeof pinbit)) {
    bool hasnet = iwexpnext(&nets, netbit, sizeof netbit) != 0;
    if (IwSpn* spn = port_pin(group, pinbit, &full))
      fill_port_pin(spn, recatts, pintype, hasnet ? netbit : nullptr, group);
  }
  return 0;
}

int iwsymat(IwGrp*) {
  if (next_word() != 1) return 0;
  IwGrp* g = find_or_new_group(iws.token);
  QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
  int result = 0;
  if (iwreadatt(name.get(), value.get())) {
    rkStrUpc(name.get());
    rkStrUpc(value.get());
    power_pin_to_signal(name.get(), value.get());
    IwSym* sym = ensure_sym(g);
    if (std::strcmp(name.get(), "PINORDER") == 0) {
      result = iwporder(g, value.get());
    } else if (std::strcmp(name.get(), "SIGNAL") == 0) {
      if (!add_signals(&sym->atts, value.get(), true))
        iwmsghndlr(4, NDX_SIGNALNOSEMI, "symbol", safe(g->name));
    } else {
      add_unique(&sym->atts, name.get(), value.get());
    }
  }
  iwsynch();
  return result;
}

int iwpinatt(IwGrp*) {
  if (next_word() != 1) return 0;
  IwGrp* g = find_or_new_group(iws.token);
  if (next_word() != 1) return 0;
  int number = to_int(iws.token);
  char pname[iw::kAttNameBuffer] = "";
  int w = 1;
  int i = number >= 1 ? iwgetpord(g, number, pname, &w) : 0;
  if (number >= 1 && i < 1) {  // no pin order for the position (reported)
    iwsynch();
    return 0;
  }
  // Positions beyond any possible pin would only grow the pin list.
  if (number < 1 || static_cast<long>(i) + std::max(w, 1) - 1 > iw::kMaxPins) {
    iwmsghndlr(4, NDX_APPINNUMBER, number, safe(g->name));
    iwsynch();
    return 0;
  }
  QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
  if (!iwreadatt(name.get(), value.get())) return 0;
  iwsynch();
  IwSym* sym = ensure_sym(g);
  spn_at(sym, i + std::max(w, 1) - 1);
  IwSpn* first = spn_at(sym, i);
  if (iwgetatt(first->atts, name.get())) return 0;
  if (std::strcmp(name.get(), "#") != 0) {
    IwSpn* s = first;
    for (int j = 0; j < w && s; ++j, s = s->next) add_att(&s->atts, name.get(), value.get());
    return 0;
  }
  if (w <= 1) {
    add_att(&first->atts, name.get(), value.get());
    return 0;
  }
  IwExpIter it;
  iwexpbegin(&it, value.get(), iws.busexpand);
  char bit[iw::kBitNameBuffer];
  int used = 0;
  for (IwSpn* s = first; used < w && s && iwexpnext(&it, bit, sizeof bit); s = s->next) {
    add_att(&s->atts, "#", bit);
    ++used;
  }
  if (!iws.busexpand) return 0;
  int count = used < w ? used : std::max(used, rkBusExpandWidth(value.get()));
  if (count < w) {
    iwmsghndlr(2, NDX_APFEWBITS, pname, w, safe(g->name));
    iwmsghndlr(10, NDX_APFEWBITS2, value.get(), count);
  } else if (count > w) {
    iwmsghndlr(2, NDX_APMANYBITS, value.get(), count, pname, w);
    iwmsghndlr(10, NDX_APMANYBITS2, safe(g->name));
  }
  return 0;
}

namespace {

// An "API" record for a component: attributes of its pins.
void api_component(IwGrp* group, IwCom* com, int number) {
  char pname[iw::kAttNameBuffer] = "";
  int w = 1;
  int i = iwgetpord(com->sym ? com->sym->grp : nullptr, number, pname, &w);
  if (iws.busexpand && i < 1) return;  // reported: no pin order for the position
  QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
  if (!iwreadatt(name.get(), value.get())) return;
  int n = com->pins ? static_cast<int>(com->pins->npins) : 0;
  bool isnum = std::strcmp(name.get(), "#") == 0;
  bool repeats = std::strcmp(name.get(), "PARAM") == 0;
  auto add_to = [&](long index, const char* v) {
    if (index < 1 || index > n) {
      iwmsghndlr(4, NDX_APINOPIN, static_cast<int>(index), safe(group->name), iws.cursheet);
      return false;
    }
    IwPin* pin = com->pins + index;
    if (repeats || !iwgetatt(pin->atts, name.get())) add_att(&pin->atts, name.get(), v);
    return true;
  };
  if (!isnum || w <= 1) {
    int count = isnum ? 1 : w;
    for (int j = 0; j < count; ++j)
      if (!add_to(static_cast<long>(i) + j, value.get())) break;
    return;
  }
  IwExpIter it;
  iwexpbegin(&it, value.get(), iws.busexpand);
  char bit[iw::kBitNameBuffer];
  int used = 0;
  while (used < w && iwexpnext(&it, bit, sizeof bit)) {
    if (!add_to(static_cast<long>(i) + used, bit)) break;
    ++used;
  }
  if (!iws.busexpand) return;
  int count = used < w ? used : std::max(used, rkBusExpandWidth(value.get()));
  if (count < w) {
    iwmsghndlr(2, NDX_APIFEWBITS, pname, w, safe(com->name));
    iwmsghndlr(10, NDX_APIFEWBITS2, value.get(), count);
  } else if (count > w) {
    iwmsghndlr(2, NDX_APIMANYBITS, value.get(), count, pname, w);
    iwmsghndlr(10, NDX_APIMANYBITS2, safe(com->name));
  }
}

// An "API" record that names no component of the sheet: attributes of the
// group's own symbol pins, positioned by the pin order of the named group.
void api_own_pins(IwGrp* group, const std::string& grpword, int number) {
  std::string key = grpword;
  IwGrp* other = iwgrpref(key.data());
  if (!other) return;
  char pname[iw::kAttNameBuffer] = "";
  int w = 1;
  int i = iwgetpord(other, number, pname, &w);
  if (iws.busexpand && i < 1) return;
  IwSpn* s = nullptr;
  if (i >= 1 && i <= iw::kMaxPins) s = iwspnat(ensure_sym(group), i);
  if (!s) {
    iwmsghndlr(4, NDX_APINOPIN, i, safe(group->name), iws.cursheet);
    return;
  }
  QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
  if (!iwreadatt(name.get(), value.get())) return;
  for (int j = 0; j < w && s; ++j, s = s->next)
    if (!iwgetatt(s->atts, name.get())) add_att(&s->atts, name.get(), value.get());
}

}  // namespace

int iwapi(IwGrp* group) {
  if (next_word() != 1) return 0;
  IwCom* com = fetch_com(iwgetsch(group), iws.token);
  if (next_word() != 1) return 0;
  std::string grpword = iws.token;
  if (next_word() != 1) return 0;
  int number = to_int(iws.token);
  if (com)
    api_component(group, com, number);
  else
    api_own_pins(group, grpword, number);
  iwsynch();
  return 0;
}

int iwnetattr(IwGrp* group) {
  if (next_word() != 1) return 0;
  std::string netname(iws.token, std::min(std::strlen(iws.token), iw::kNetNameChars));
  QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
  if (iwreadatt(name.get(), value.get())) {
    bool alias = iws.busexpand && std::strcmp(name.get(), "NET_ALIAS") == 0;
    IwExpIter nets, values;
    iwexpbegin(&nets, netname.c_str(), iws.busexpand);
    if (alias) iwexpbegin(&values, value.get(), true);
    QuickBuf valbit(iw::kAliasBitBuffer);
    char bit[iw::kBitNameBuffer];
    while (iwexpnext(&nets, bit, sizeof bit)) {
      IwNet* net = iwmknet(bit, group);
      if (!net) break;  // "?" ends the record
      const char* v = value.get();
      if (alias) {
        if (!iwexpnext(&values, valbit.get(), iw::kAliasBitBuffer) || !valbit.get()[0]) continue;
        v = valbit.get();
      }
      add_unique(&net->atts, name.get(), v);
    }
  }
  iwsynch();
  return 0;
}

int iwschatt(IwGrp* group) {
  QuickBuf name(iw::kAttNameBuffer), value(iw::kAttValueBuffer);
  if (iwreadatt(name.get(), value.get())) {
    IwSch* sch = iwgetsch(group);
    add_unique(&sch->atts, name.get(), value.get());
  }
  iwsynch();
  return 0;
}

// --- pin order ------------------------------------------------------------------------------

void iwfixpinorder(char* text) {
  if (!text || static_cast<double>(iws.version) > 2.55) return;
  for (char* p = text; *p; ++p)
    if (*p == ',') *p = ' ';
}

IwPord* iwmkplist(const char* text) {
  IwPord* head = nullptr;
  IwPord** link = &head;
  for (const char* p = skip_blanks(safe(text)); *p;) {
    const char* end = word_end(p);
    auto n = static_cast<std::size_t>(end - p);
    auto* copy = static_cast<char*>(iwballoc(iwdatapool(), n + 1));
    std::memcpy(copy, p, n);
    copy[n] = '\0';
    auto* e = iwpoolnew<IwPord>();
    e->name = copy;
    e->width = rkBusExpandWidth(copy);
    if (e->width == 0) iwchkexp(copy);
    *link = e;
    link = &e->next;
    p = skip_blanks(end);
  }
  return head;
}

namespace {

void record_pord(IwGrp* group, IwPord* entries) {
  auto* pl = iwpoolnew<IwPordList>();
  pl->entries = entries;
  pl->grp = group;
  pl->next = iws.pordlist;
  iws.pordlist = pl;
  IwPordIndex& ix = iws.pordindex[group];
  ix.list = pl;
  long first = 1;
  for (IwPord* e = entries; e; e = e->next) {
    ix.entries.push_back(e);
    ix.first.push_back(first);
    first += e->width;
  }
}

}  // namespace

int iwporder(IwGrp* group, char* value) {
  if (!group || !value) return 0;
  iwfixpinorder(value);
  IwSym* sym = ensure_sym(group);
  if (sym->npins >= 1) {
    if (iwpinwidth(value, iws.busexpand) != sym->npins) {
      iwmsghndlr(4, NDX_PINORDERCOUNT, safe(group->name));
      return 1;
    }
    // Pins read from a symbol file come without a pin order, and pin
    // numbers of AP and API records are resolved through one; an agreeing
    // PINORDER supplies it, as it does for a symbol without pins.
    if (iws.busexpand && !iws.pordindex.count(group)) record_pord(group, iwmkplist(value));
    return 0;
  }
  if (iws.busexpand && !iws.pordindex.count(group)) record_pord(group, iwmkplist(value));
  iwspnforget(sym);  // pins are named and appended by hand below
  IwExpIter it;
  iwexpbegin(&it, value, iws.busexpand);
  char bit[iw::kBitNameBuffer];
  IwSpn** link = &sym->spns;
  int count = 0;
  while (iwexpnext(&it, bit, sizeof bit)) {
    if (count == iw::kMaxPins) {
      iwmsghndlr(4, NDX_BUSRANGE, value);
      break;
    }
    if (!*link) *link = iwalcspin();
    IwSpn* s = *link;
    if (!s->name) s->name = iwmkname(bit);
    link = &s->next;
    ++count;
  }
  sym->npins = static_cast<std::int16_t>(count);
  return 0;
}

int iwgetpord(IwGrp* group, int p, char* name, int* width) {
  *width = 1;
  if (name) name[0] = '\0';
  if (!iws.busexpand) return p;
  auto it = iws.pordindex.find(group);
  if (it == iws.pordindex.end() || p < 1 ||
      static_cast<std::size_t>(p) > it->second.entries.size()) {
    iwmsghndlr(4, NDX_NOPINORDER, group ? safe(group->name) : "");
    return 0;
  }
  const IwPord* e = it->second.entries[static_cast<std::size_t>(p) - 1];
  if (name) rkStrncpyNullTerm(name, e->name, iw::kAttNameBuffer);
  *width = e->width;
  long first = it->second.first[static_cast<std::size_t>(p) - 1];
  return first > iw::kMaxPins ? iw::kMaxPins + 1 : static_cast<int>(first);
}

void iwfrpord() {
  iws.pordlist = nullptr;
  iws.pordindex.clear();
}
