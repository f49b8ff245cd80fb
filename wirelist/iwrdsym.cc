// wirelist/iwrdsym.cc - the symbol reader.
//
// File layout: the first line starts with "V "; every further line is a
// record with its letter in the first column and white space in the
// second (other lines are skipped).  Words count from the record letter
// (word 0).  "P" starts a pin; "L" names it (word 8 a non-zero inversion
// flag puts "~" in front, words 9 on are the label); "A" (pin) and "U"
// (symbol) carry NAME=VALUE from word 7 on; "Y" word 1 is the type; "+"
// continues the previous "L", "A" or "U" from the third column, and any
// other record, a comment record ("| ...") too, ends that continuation;
// "K" may only be the first record after "V" and the comment lines after
// it; "E" ends the symbol.  Lines end in "\n" or "\r\n" (rkDufsReadLine).
//
// Pins are put at the head of the list as they are read, so a file lists
// them in reverse until the pin order is applied.  Every size is bounded:
// lines keep 16383 characters, a symbol at most 32767 pins, the pin-order
// text 16384 characters.
#include "wirelist/iwrdsym.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogs/nodex.h"
#include "util/rkbus.h"
#include "util/rkdufs.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string upper(std::string s) {
  rkStrUpc(s.data());
  return s;
}

std::string_view trim_right(std::string_view s) {
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

// One line without its line end, at most kSymLineChars characters kept.
bool read_line(std::FILE* in, std::string& line, bool& line_end) {
  return rkDufsReadLine(in, &line, iw::kSymLineChars, &line_end);
}

// Offsets of the white-space separated words of line.
std::vector<std::size_t> word_starts(const std::string& line) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && is_space(line[i])) ++i;
    if (i == line.size()) break;
    starts.push_back(i);
    while (i < line.size() && !is_space(line[i])) ++i;
  }
  return starts;
}

// NAME=VALUE text split as the records write it, with the two facts a
// continuation needs to put the text back together.
struct AttSplit {
  std::string name;
  std::string value;
  bool eq = false;       // an "=" stood between name and value
  bool trimmed = false;  // white space was cut from the end of the value
};

AttSplit split_att(std::string_view t) {
  AttSplit s;
  std::size_t i = 0;
  while (i < t.size() && is_space(t[i])) ++i;
  std::size_t start = i;
  while (i < t.size() && !is_space(t[i]) && t[i] != '=') ++i;
  s.name = upper(std::string(t.substr(start, i - start)));
  while (i < t.size() && is_space(t[i])) ++i;
  if (i < t.size() && t[i] == '=') {
    s.eq = true;
    ++i;
  }
  while (i < t.size() && is_space(t[i])) ++i;
  std::string_view v = t.substr(i);
  std::string_view kept = trim_right(v);
  s.trimmed = kept.size() != v.size();
  s.value = upper(std::string(kept));
  return s;
}

// Gives att a new name and value and moves it to its sorted place; it
// leaves the list under its old ones, which is where an index has it.
void refile(IwAtt** list, IwAtt* att, const std::string& name, const std::string& value) {
  iwunlinkatt(list, att);
  att->name = iwmkname(name.c_str());
  att->value = iwmkname(value.c_str());
  *list = iwaddatt(*list, att);
}

// What a "+" line continues.
enum class Cont { kNone, kLabel, kPinAtt, kSymAtt, kPinOrder };

struct SymReader {
  const char* filename = nullptr;  // for messages
  std::string group;               // group name, for messages
  IwSym* sym = nullptr;
  int line = 0;               // number of the current line, the "V" line is 1
  IwSpn* pin = nullptr;       // pin of the last "P" record
  Cont cont = Cont::kNone;    // what a "+" line extends
  IwAtt* att = nullptr;       // attribute a "+" line extends
  IwAtt** attlist = nullptr;  // the list holding att
  AttSplit split;             // the last split of att's text
  bool have_pinorder = false;
  std::string pinorder;  // the symbol's PINORDER text

  void malformed(int number) { iwmsghndlr(4, number, line, group.c_str(), 1); }

  void record(const std::string& text, bool first_record);
  void label(const std::string& text, const std::vector<std::size_t>& w);
  void pin_att(const std::string& text, const std::vector<std::size_t>& w);
  void sym_att(const std::string& text, const std::vector<std::size_t>& w);
  void type(const std::string& text, const std::vector<std::size_t>& w);
  void continuation(const std::string& text);
};

void SymReader::label(const std::string& text, const std::vector<std::size_t>& w) {
  if (!pin || w.size() < 10) {
    malformed(NDX_SYMBADLABEL);
    return;
  }
  long flag = std::strtol(text.c_str() + w[8], nullptr, 10);
  std::string name = flag != 0 ? "~" : "";
  name += upper(std::string(trim_right(std::string_view(text).substr(w[9]))));
  pin->name = iwmkname(name.c_str());
  cont = Cont::kLabel;
}

void SymReader::pin_att(const std::string& text, const std::vector<std::size_t>& w) {
  if (!pin || w.size() < 8) {
    malformed(NDX_SYMBADPINATT);
    return;
  }
  split = split_att(std::string_view(text).substr(w[7]));
  att = iwmkatt(split.name.c_str(), split.value.c_str());
  pin->atts = iwaddatt(pin->atts, att);
  attlist = &pin->atts;
  cont = Cont::kPinAtt;
}

void SymReader::sym_att(const std::string& text, const std::vector<std::size_t>& w) {
  if (w.size() < 8) {
    malformed(NDX_SYMBADSYMATT);
    return;
  }
  AttSplit s = split_att(std::string_view(text).substr(w[7]));
  if (s.name == "PINORDER") {
    have_pinorder = true;
    pinorder = s.value;
    split = s;
    cont = Cont::kPinOrder;
    return;
  }
  if (s.name == "GND_PIN" || s.name == "VDD_PIN") {
    s.value = (s.name == "GND_PIN" ? "GND;" : "VDD;") + s.value;
    s.name = "SIGNAL";
  }
  if (s.name == "SIGNAL") {
    std::size_t semi = s.value.find(';');
    if (semi == std::string::npos) {
      iwmsghndlr(4, NDX_SIGNALNOSEMI, "symbol", group.c_str());
      return;
    }
    std::string prefix = s.value.substr(0, semi + 1);
    std::string rest = s.value.substr(semi + 1);
    IwExpIter it;
    iwexpbegin(&it, rest.c_str(), true);
    char bit[iw::kBitNameBuffer];
    while (iwexpnext(&it, bit, sizeof bit)) {
      std::string v = prefix + bit;
      if (!iwdupatt(sym->atts, "SIGNAL", v.c_str()))
        sym->atts = iwaddatt(sym->atts, iwmkatt("SIGNAL", v.c_str()));
    }
    return;
  }
  if (iwdupatt(sym->atts, s.name.c_str(), s.value.c_str())) return;
  split = s;
  att = iwmkatt(s.name.c_str(), s.value.c_str());
  sym->atts = iwaddatt(sym->atts, att);
  attlist = &sym->atts;
  cont = Cont::kSymAtt;
}

void SymReader::type(const std::string& text, const std::vector<std::size_t>& w) {
  std::string word;
  if (w.size() >= 2) {
    std::size_t end = w[1];
    while (end < text.size() && !is_space(text[end])) ++end;
    word = text.substr(w[1], end - w[1]);
  }
  // The file numbers the types its own way.
  if (word == "0") {
    sym->symtype = IW_COMPOSITE;
  } else if (word == "1") {
    sym->symtype = IW_MODULE;
  } else if (word == "4") {
    sym->symtype = IW_PIN;
  } else if (word != "2" && word != "3") {
    iwmsghndlr(4, NDX_SYMBADTYPE, word.c_str(), filename);
  }
}

void SymReader::continuation(const std::string& text) {
  std::string more = text.size() > 2 ? text.substr(2) : "";
  if (more.empty()) {
    malformed(NDX_SYMEMPTYCONT);
    return;
  }
  switch (cont) {
    case Cont::kNone:
      return;
    case Cont::kLabel: {
      std::string name =
          std::string(pin->name ? pin->name : "") + upper(std::string(trim_right(more)));
      pin->name = iwmkname(name.c_str());
      return;
    }
    case Cont::kPinAtt:
    case Cont::kSymAtt: {
      std::string whole =
          split.name + (split.eq ? "=" : "") + split.value + (split.trimmed ? " " : "") + more;
      split = split_att(whole);
      refile(attlist, att, split.name, split.value);
      return;
    }
    case Cont::kPinOrder: {
      if (split.trimmed) pinorder += ' ';
      std::string_view kept = trim_right(more);
      split.trimmed = kept.size() != more.size();
      pinorder += upper(std::string(kept));
      if (pinorder.size() > iw::kPinOrderChars) pinorder.resize(iw::kPinOrderChars);
      return;
    }
  }
}

void SymReader::record(const std::string& text, bool first_record) {
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  std::vector<std::size_t> w = word_starts(text);
  if (letter != '+' && letter != 'L' && letter != 'A' && letter != 'U') cont = Cont::kNone;
  switch (letter) {
    case 'P':
      cont = Cont::kNone;
      if (sym->npins >= iw::kMaxPins) {  // the pin count cannot hold more
        pin = nullptr;
        return;
      }
      pin = iwalcspin();
      pin->next = sym->spns;
      sym->spns = pin;
      ++sym->npins;
      return;
    case 'L':
      cont = Cont::kNone;
      label(text, w);
      return;
    case 'A':
      cont = Cont::kNone;
      pin_att(text, w);
      return;
    case 'U':
      cont = Cont::kNone;
      sym_att(text, w);
      return;
    case 'Y':
      type(text, w);
      return;
    case '+':
      continuation(text);
      return;
    case 'K':
      if (!first_record) iwmsghndlr(4, NDX_SYMKMISPLACED, filename);
      return;
    default:
      return;
  }
}

// Deletes every pin whose name an earlier pin of the list has (in one
// pass: a set of the names met so far).
void remove_duplicates(IwSym* sym) {
  std::unordered_set<std::string_view> seen;
  bool seen_unnamed = false;
  for (IwSpn** link = &sym->spns; *link;) {
    IwSpn* s = *link;
    bool dup = s->name ? !seen.insert(s->name).second : seen_unnamed;
    if (!s->name) seen_unnamed = true;
    if (!dup) {
      link = &s->next;
      continue;
    }
    *link = s->next;
    iwfrspn(s);
    --sym->npins;
  }
}

std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> words;
  for (std::size_t start : word_starts(text)) {
    std::size_t end = start;
    while (end < text.size() && !is_space(text[end])) ++end;
    words.push_back(text.substr(start, end - start));
  }
  return words;
}

void order_by_text(IwSym* sym, const std::string& text, const std::string& group) {
  std::vector<std::string> words = words_of(text);
  if (static_cast<long>(words.size()) != sym->npins) {
    iwmsghndlr(4, NDX_PORDCOUNT, static_cast<int>(sym->npins), group.c_str());
    iwmsghndlr(12, NDX_PORDCOUNT2, static_cast<int>(words.size()));
    return;
  }
  std::unordered_map<std::string_view, IwSpn*> unplaced;
  for (IwSpn* s = sym->spns; s; s = s->next)
    if (s->name) unplaced.emplace(s->name, s);
  IwSpn* head = nullptr;
  IwSpn** tail = &head;
  int placed = 0;
  for (const std::string& word : words) {
    auto it = unplaced.find(word);
    if (it == unplaced.end()) {
      iwmsghndlr(4, NDX_PORDNOPIN, word.c_str());
      iwmsghndlr(12, NDX_PORDNOPIN2, group.c_str(), 1);
      continue;
    }
    *tail = it->second;
    tail = &it->second->next;
    unplaced.erase(it);
    ++placed;
  }
  *tail = nullptr;
  // Pins that no word names drop out of the symbol.
  sym->spns = head;
  sym->npins = static_cast<std::int16_t>(placed);
}

void order_alphabetically(IwSym* sym) {
  std::vector<IwSpn*> pins;
  for (IwSpn* s = sym->spns; s; s = s->next) pins.push_back(s);
  std::stable_sort(pins.begin(), pins.end(), [](const IwSpn* a, const IwSpn* b) {
    return std::strcmp(a->name ? a->name : "", b->name ? b->name : "") < 0;
  });
  IwSpn** link = &sym->spns;
  for (IwSpn* s : pins) {
    *link = s;
    link = &s->next;
  }
  *link = nullptr;
}

// The lines of a pin-order file joined into one text, line ends as blanks.
std::string read_pinorder_file(std::FILE* in) {
  std::string text, line;
  bool line_end;
  while (read_line(in, line, line_end)) {
    std::size_t grown = text.size() + (text.empty() ? 0 : 1) + line.size();
    if (grown > iw::kPinOrderChars) {
      iwmsghndlr(4, NDX_TOKENLONG, static_cast<int>(iw::kPinOrderChars));
      break;
    }
    if (!text.empty()) text += ' ';
    text += line;
  }
  return upper(text);
}

// Splits every bus pin into single-bit pins, in bit order, each carrying
// copies of the bus pin's attributes.
void split_bus_pins(IwSym* sym) {
  int count = 0;
  char bit[iw::kBitNameBuffer];
  for (IwSpn** link = &sym->spns; *link;) {
    IwSpn* s = *link;
    if (count >= iw::kMaxPins) {  // no room left in the pin count
      *link = nullptr;
      break;
    }
    std::string name = s->name ? s->name : "";
    int width = rkBusExpandWidth(name.c_str());
    if (width == 0) iwchkexp(name.c_str());
    if (width > iw::kMaxPins - count) {
      iwmsghndlr(4, NDX_BUSRANGE, name.c_str());
      width = 1;  // kept whole
    } else if (width >= 2) {
      IwExpIter it;
      iwexpbegin(&it, name.c_str(), true);
      int made = 0;
      IwSpn* last = s;
      while (made < width && iwexpnext(&it, bit, sizeof bit)) {
        if (made == 0) {
          s->name = iwmkname(bit);
        } else {
          IwSpn* n = iwmkspin(bit);
          for (const IwAtt* a = s->atts; a; a = a->next)
            n->atts = iwaddatt(n->atts, iwmkatt(a->name, a->value));
          n->next = last->next;
          last->next = n;
          last = n;
        }
        ++made;
      }
      width = made;
      link = &last->next;
      count += width;
      continue;
    }
    count += width;
    link = &s->next;
  }
  sym->npins = static_cast<std::int16_t>(count);
}

// Steps shared by every entry: the symbol of the file name's group and
// number, made when missing.  Null for a bad number (message 398).
IwSym* symbol_for(const char* filename, std::string& group, IwGrp* known) {
  std::string name = filename;
  std::size_t dot = name.rfind('.');
  long number = 0;
  if (dot != std::string::npos) number = std::strtol(name.c_str() + dot + 1, nullptr, 10);
  if (number < 1 || number > SHRT_MAX) {
    iwmsghndlr(4, NDX_SYMBADNUMBER, filename);
    return nullptr;
  }
  group = upper(name.substr(0, dot));
  std::string key = group;
  IwGrp* g = known ? known : iwgrpref(key.data());
  if (!g) {
    g = iwmkgroup(group.c_str());
    g->next = iws.grpref;
    iws.grpref = g;
    store_grp(g);
  }
  IwSym* sym = ifsymsym(static_cast<int>(number), g->sym);
  if (!sym) {
    sym = iwmksym(g);
    sym->number = static_cast<std::int16_t>(number);
    iagrpsym(g, sym);
  }
  return sym;
}

IwSym* read_symbol(char* filename, IwGrp* known, std::FILE* in,
                   const std::function<std::string()>& pinfile) {
  std::string group;
  IwSym* sym = symbol_for(filename, group, known);
  if (!sym) return nullptr;
  rkStrLoc(filename);
  if (!in) return nullptr;

  std::string text;
  bool line_end;
  if (!read_line(in, text, line_end) || rkStrNicmp(text.c_str(), "V ", 2) != 0) {
    iwmsghndlr(4, NDX_SYMNOVERSION, filename);
    return nullptr;
  }
  // A symbol read again gets the pins of the file, not those of both.
  // Its pins are linked by hand from here on: no index may outlive that.
  iwspnforget(sym);
  sym->spns = nullptr;
  sym->npins = 0;
  SymReader rd;
  rd.filename = filename;
  rd.group = group;
  rd.sym = sym;
  rd.line = 1;
  bool first_record = true;
  while (read_line(in, text, line_end)) {
    ++rd.line;
    if (text.find('\0') != std::string::npos) {
      // A NUL byte would cut a name or value short unseen.
      iwmsghndlr(4, NDX_SYMNUL, filename, rd.line);
      continue;
    }
    bool is_record = text.size() >= 2 ? is_space(text[1]) : (!text.empty() && line_end);
    if (is_record) {
      if (std::toupper(static_cast<unsigned char>(text[0])) == 'E') break;
      // A comment record ends a continuation like any other letter.
      rd.record(text, first_record);
    }
    // "K" may still follow comment lines.
    if (text.empty() || text[0] != '|') first_record = false;
  }

  remove_duplicates(sym);
  if (rd.have_pinorder) {
    order_by_text(sym, rd.pinorder, group);
  } else {
    std::string order = pinfile();
    if (!order.empty())
      order_by_text(sym, order, group);
    else
      order_alphabetically(sym);
  }
  if (iws.busexpand) split_bus_pins(sym);
  iwspnforget(sym);  // nothing indexed while the pins were relinked stays
  return sym;
}

// The pin-order file of group from the libraries, as one text.
std::string library_pinorder(const std::string& group) {
  return iwpinfile((group + ".pin").c_str(), nullptr);
}

// Reads filename from the libraries; known is its group when the caller
// has it (a group hidden from the name look-up, such as a PLD component
// group, must not get a twin).
IwSym* read_from_libraries(char* filename, IwGrp* known) {
  std::string lower = filename;
  rkStrLoc(lower.data());
  PrjObject* obj = iwvfopen(lower.c_str(), "sym");
  std::FILE* in = obj ? iwvfstream(obj) : nullptr;
  std::string group = lower.substr(0, lower.rfind('.'));
  IwSym* sym = read_symbol(filename, known, in, [&group] { return library_pinorder(group); });
  if (obj) iwvfclose(obj);
  return sym;
}

}  // namespace

std::string iwpinfile(const char* name, bool* found) {
  if (found) *found = false;
  std::string lower = name ? name : "";
  rkStrLoc(lower.data());
  PrjObject* obj = iwvfopen(lower.c_str(), "sym");
  if (!obj) return "";
  if (found) *found = true;
  std::FILE* in = iwvfstream(obj);
  std::string text = in ? read_pinorder_file(in) : "";
  iwvfclose(obj);
  return text;
}

IwSym* iwrdsymstream(char* filename, std::FILE* sym, std::FILE* pinorder) {
  if (!filename) return nullptr;
  return read_symbol(filename, nullptr, sym, [pinorder] {
    return pinorder ? read_pinorder_file(pinorder) : std::string();
  });
}

IwSym* iwreadsym(char* filename) {
  if (!filename) return nullptr;
  return read_from_libraries(filename, nullptr);
}

IwSym* iwrdsym(char* filename) { return iwreadsym(filename); }

IwSym* iwldasym(IwGrp* group) {
  if (!group || !group->name) return nullptr;
  std::string name = std::string(group->name) + ".1";
  return read_from_libraries(name.data(), group);
}
