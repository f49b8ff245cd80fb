// wirelist/wlibedit.cc - wlib edit; see wlibedit.h for the script format.
//
// A line is split into words, its command looked up in one table (word,
// form, function), and the function finds the objects the line names and
// makes the modification calls.  A function returns 0 when the line was
// accepted, the status of the call that refused it (the database has
// printed why; the line is then named with that status), or kOwnMessage
// when the program printed its own reason (a line that is not a command,
// an object the design does not have).
//
// Nothing is written before the last line is accepted: save lines only
// note which groups to write.  The run ends after the first rejected
// line, so what a half-applied line left in memory is never saved.
#include "wirelist/wlibedit.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "catalogs/wlib.h"
#include "util/rkdufs.h"
#include "util/rkstr.h"
#include "wirelist/immod.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwrdsym.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"
#include "wirelist/wlib.h"

namespace {

// A line whose reason the program printed itself.
constexpr int kOwnMessage = -1;

// Characters of a line shown in a message about it.
constexpr std::size_t kShownChars = 64;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string upper(std::string_view s) {
  std::string u(s);
  rkStrUpc(u.data());
  return u;
}

// The state of one run of a script.
struct Edit {
  const WlibScript* script = nullptr;
  int line = 0;                         // number of the line being applied
  const std::string* text = nullptr;    // its text
  std::vector<std::string_view> words;  // its words
  std::vector<IwGrp*> touched;          // groups the script changes, first change first
  std::vector<IwGrp*> saves;            // groups named by save lines
  bool save_all = false;                // a save line without a group
  bool any_save = false;                // the script has a save line
  // Components by the name the netlist shows, per group, built on the
  // group's first look-up: the shortcut beside find_com's walk.
  std::unordered_map<const IwGrp*, std::unordered_map<std::string, std::vector<IwCom*>>> shown;
};

const char* path_of(const Edit& e) { return e.script->path.c_str(); }

void touch(Edit& e, IwGrp* g) {
  if (std::find(e.touched.begin(), e.touched.end(), g) == e.touched.end()) e.touched.push_back(g);
}

int missing(Edit& e, const std::string& what) {
  wlib_say(WLIB_EDIT_NOOBJECT, e.line, path_of(e), what.c_str());
  return kOwnMessage;
}

// --- finding what a line names ------------------------------------------------

IwGrp* find_group(Edit& e, std::string_view word) {
  std::string name = upper(word);
  if (IwGrp* g = fetch_grp(name.c_str())) return g;
  if (IwGrp* g = ifgrpgrp(name.c_str())) return g;
  missing(e, wlib_fragment(WLIB_OBJ_NAMEDGROUP, name.c_str()));
  return nullptr;
}

// The group a component is to be made of: one of the design, else one
// whose symbol the libraries hold (read now).
IwGrp* find_or_read_group(Edit& e, std::string_view word) {
  std::string name = upper(word);
  if (IwGrp* g = fetch_grp(name.c_str())) return g;
  std::string file = name + ".1";
  if (iwfinfo(file.c_str(), "sym", nullptr, nullptr, nullptr))
    if (IwSym* sym = iwreadsym(file.data()); sym && sym->grp) return sym->grp;
  return find_group(e, word);
}

// The components of g by the names they show, made on first use.  Lines
// that change what a component shows (create, delete, rename component,
// set or unset its LABEL) refile it with refile_shown, so the index stays
// exact without being made again.
std::unordered_map<std::string, std::vector<IwCom*>>& shown_names(Edit& e, const IwGrp* g) {
  auto [it, made] = e.shown.try_emplace(g);
  if (made)
    for (IwCom* c = iggrpcom(g, nullptr); c; c = iggrpcom(g, c))
      if (const char* shown = igcomnam(c)) it->second[shown].push_back(c);
  return it->second;
}

// Tells g's index (if it has one yet) that com showed `was` and shows
// `now`; null for a component placed or taken off by the line.
void refile_shown(Edit& e, const IwGrp* g, IwCom* com, const char* was, const char* now) {
  auto known = e.shown.find(g);
  if (known == e.shown.end() || (was && now && std::strcmp(was, now) == 0)) return;
  if (was) {
    auto it = known->second.find(was);
    if (it != known->second.end()) {
      std::erase(it->second, com);
      if (it->second.empty()) known->second.erase(it);
    }
  }
  if (now) known->second[now].push_back(com);
}

// What a component shows, kept as text (a rename may change the name the
// pointer was read from).
std::string shown_text(const IwCom* com) {
  const char* s = com ? igcomnam(com) : nullptr;
  return s ? s : "";
}

// A component by the name the netlist shows (its LABEL, when it has one)
// or by its instance name.  The sheets' tables know the instance names a
// design was read with; a label is looked for along the sheets, the first
// component met showing it.  With the database's indexes on, a name one
// component alone shows comes from the index; a name several show goes
// the walk, which knows their order.
IwCom* find_com(Edit& e, IwGrp* g, std::string_view word) {
  std::string name = upper(word);
  bool walk = true;
  if (iwshortcuts()) {
    const auto& names = shown_names(e, g);
    auto it = names.find(name);
    if (it != names.end() && it->second.size() == 1) return it->second.front();
    walk = it != names.end();
  }
  if (walk)
    for (IwCom* c = iggrpcom(g, nullptr); c; c = iggrpcom(g, c))
      if (const char* shown = igcomnam(c); shown && name == shown) return c;
  if (IwCom* c = fetch_grp_com(g, name.c_str())) return c;
  missing(e, wlib_fragment(WLIB_OBJ_COMPONENT, name.c_str()));
  return nullptr;
}

IwNet* find_net(Edit& e, IwGrp* g, std::string_view word) {
  std::string name = upper(word);
  if (IwNet* n = fetch_net(g, name.c_str())) return n;
  missing(e, wlib_fragment(WLIB_OBJ_NET, name.c_str()));
  return nullptr;
}

// The pin of com whose symbol pin is named word.
IwPin* find_pin(Edit& e, IwCom* com, std::string_view word) {
  std::string name = upper(word);
  int k = 1;
  for (const IwSpn* spn = com->sym ? com->sym->spns : nullptr; spn; spn = spn->next, ++k)
    if (spn->name && name == spn->name)
      if (IwPin* pin = ifpinpin(k, igcompin(com))) return pin;
  missing(e, wlib_fragment(WLIB_OBJ_NAMEDPIN, name.c_str(), com->name));
  return nullptr;
}

// The pin named by the words "<group> <component> <pin>" from word `at`
// on, with its group and component.  Null after the message.
IwPin* find_named_pin(Edit& e, std::size_t at, IwGrp** group, IwCom** component) {
  const auto& w = e.words;
  IwGrp* g = find_group(e, w[at]);
  IwCom* com = g ? find_com(e, g, w[at + 1]) : nullptr;
  *group = g;
  *component = com;
  return com ? find_pin(e, com, w[at + 2]) : nullptr;
}

IwSpn* find_port(Edit& e, IwGrp* g, std::string_view word) {
  std::string name = upper(word);
  if (IwSpn* spn = g->sym ? ifspnspn(name.c_str(), g->sym->spns) : nullptr) return spn;
  missing(e, wlib_fragment(WLIB_OBJ_SYMPIN, name.c_str()));
  return nullptr;
}

// A sheet number from 1 to the limit, or 0 after the message.
int sheet_number(Edit& e, std::string_view word) {
  std::string w(word);
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(w.c_str(), &end, 10);
  if (errno == 0 && end && !*end && n >= 1 && n <= iw::kMaxSheets) return static_cast<int>(n);
  wlib_say(WLIB_EDIT_SHEET, e.line, path_of(e), w.c_str(), iw::kMaxSheets);
  return 0;
}

// The kinds of object set and unset name, and the words after the kind.
struct Kind {
  const char* word;   // upper case
  std::size_t words;  // words after the kind word
};
constexpr Kind kKinds[] = {{"COMPONENT", 2}, {"NET", 2},    {"PIN", 3},
                           {"SHEET", 2},     {"SYMBOL", 1}, {"PORT", 2}};

// The words an object description starting with kind takes, 0 for a word
// that is no kind.
std::size_t object_words(std::string_view kind) {
  std::string k = upper(kind);
  for (const Kind& c : kKinds)
    if (k == c.word) return 1 + c.words;
  return 0;
}

// The object "<kind> <group> ..." of set and unset, from word `at` on;
// *used is the number of words it took.  Null after the message.
void* find_object(Edit& e, std::size_t at, std::size_t* used, IwGrp** group) {
  const auto& w = e.words;
  std::string kind = at < w.size() ? upper(w[at]) : "";
  std::size_t words = at < w.size() ? object_words(w[at]) : 0;
  if (!words || at + words > w.size()) return nullptr;
  *used = words;
  if (kind == "PIN") {
    IwCom* com;
    return find_named_pin(e, at + 1, group, &com);
  }
  IwGrp* g = find_group(e, w[at + 1]);
  *group = g;
  if (!g) return nullptr;
  if (kind == "COMPONENT") return find_com(e, g, w[at + 2]);
  if (kind == "NET") return find_net(e, g, w[at + 2]);
  if (kind == "SHEET") {
    int n = sheet_number(e, w[at + 2]);
    if (!n) return nullptr;
    for (IwSch* s = g->schs; s; s = s->next)
      if (s->number == n) return s;
    missing(e, wlib_fragment(WLIB_OBJ_SHEET, n));
    return nullptr;
  }
  if (kind == "SYMBOL") {
    if (g->sym) return g->sym;
    missing(e, wlib_fragment(WLIB_OBJ_SYMBOL));
    return nullptr;
  }
  return find_port(e, g, w[at + 2]);
}

// --- the commands ----------------------------------------------------------------

int do_create(Edit& e) {
  const auto& w = e.words;
  IwGrp* g = find_group(e, w[1]);
  if (!g) return kOwnMessage;
  int sheet = sheet_number(e, w[2]);
  if (!sheet) return kOwnMessage;
  IwGrp* of = find_or_read_group(e, w[3]);
  if (!of) return kOwnMessage;
  std::string name(w[4]);
  int st;
  IwCom* com = imcgrpcom(g, sheet, g->sym, of->sym, name.c_str(), &st);
  if (!com) return st;
  refile_shown(e, g, com, nullptr, shown_text(com).c_str());
  touch(e, g);
  return 0;
}

int do_connect(Edit& e) {
  const auto& w = e.words;
  IwGrp* g;
  IwCom* com;
  IwPin* pin = find_named_pin(e, 1, &g, &com);
  if (!pin) return kOwnMessage;
  std::string name = upper(w[4]);
  int st;
  IwNet* net = fetch_net(g, name.c_str());
  bool made = false;
  if (!net) {
    if (!(net = imcgrpnet(g, g->sym, name.c_str(), &st))) return st;
    made = true;
  }
  if (!imanetpin(net, pin, &st)) {
    if (made) {  // the line leaves nothing behind
      idgrpnet(g, net);
      iwdnetcount();
    }
    return st;
  }
  touch(e, g);
  return 0;
}

int do_disconnect(Edit& e) {
  const auto& w = e.words;
  IwGrp* g;
  IwCom* com;
  IwPin* pin = find_named_pin(e, 1, &g, &com);
  if (!pin) return kOwnMessage;
  IwNet* net = igpinnet(pin);
  if (!net) {
    std::string pname = upper(w[3]);
    wlib_say(WLIB_EDIT_OPEN, e.line, path_of(e), pname.c_str(), com->name);
    return kOwnMessage;
  }
  int st;
  if (!imdnetpin(net, pin, &st)) return st;
  touch(e, g);
  return 0;
}

// A net keeps its pins, its port and its attributes under the new name.
// The database renames only a net nothing is connected to, so its pins
// and port are taken off, the net renamed, and everything put back in an
// order that rebuilds its ring as it was.
int rename_net(Edit& e, IwGrp* g) {
  IwNet* net = find_net(e, g, e.words[3]);
  if (!net) return kOwnMessage;
  std::string name(e.words[4]);
  std::vector<IwPin*> pins;
  for (IwPin* p = ignetpin(net); p; p = igpinnnx(p)) pins.push_back(p);
  IwSpn* port = ignetspn(net);
  int st;
  for (IwPin* p : pins)
    if (!imdnetpin(net, p, &st)) return st;
  if (port && !imdnetspn(net, port, &st)) return st;
  int renamed = imsnetnam(net, name.c_str(), &st);
  int kept = st;
  if (port && !imanetspn(net, port, &st)) return st;
  for (auto it = pins.rbegin(); it != pins.rend(); ++it)
    if (!imanetpin(net, *it, &st)) return st;
  if (!renamed) return kept;
  touch(e, g);
  return 0;
}

int do_rename(Edit& e) {
  const auto& w = e.words;
  std::string kind = upper(w[1]);
  if (kind != "NET" && kind != "COMPONENT") return kOwnMessage - 1;  // not the form
  IwGrp* g = find_group(e, w[2]);
  if (!g) return kOwnMessage;
  if (kind == "NET") return rename_net(e, g);
  IwCom* com = find_com(e, g, w[3]);
  if (!com) return kOwnMessage;
  std::string name(w[4]);
  std::string was = shown_text(com);
  int st;
  if (!imscomnam(com, name.c_str(), &st)) return st;
  refile_shown(e, g, com, was.c_str(), shown_text(com).c_str());
  touch(e, g);
  return 0;
}

// The rest of the line after word k, blanks trimmed.
std::string rest_after(const Edit& e, std::size_t k) {
  const std::string& t = *e.text;
  std::size_t from = static_cast<std::size_t>(e.words[k].data() + e.words[k].size() - t.data());
  std::size_t b = t.find_first_not_of(" \t", from);
  if (b == std::string::npos) return "";
  std::size_t end = t.find_last_not_of(" \t");
  return t.substr(b, end - b + 1);
}

// The object as a component, or null for any other kind.
IwCom* component_of(void* object) {
  return iwobjtype(object) == NX_COMPONENTS ? static_cast<IwCom*>(object) : nullptr;
}

int do_set(Edit& e) {
  std::size_t used = 0;
  IwGrp* g = nullptr;
  void* obj = find_object(e, 1, &used, &g);
  if (!used) return kOwnMessage - 1;
  if (!obj) return kOwnMessage;
  if (e.words.size() < 2 + used + 1) return kOwnMessage - 1;  // attribute and value
  std::string att(e.words[1 + used]);
  std::string value = rest_after(e, 1 + used);
  if (value.find('`') != std::string::npos || value.size() > iw::kScriptValueChars) {
    wlib_say(WLIB_EDIT_VALUE, e.line, path_of(e), static_cast<int>(iw::kScriptValueChars));
    return kOwnMessage;
  }
  int st;
  IwCom* com = component_of(obj);
  std::string was = shown_text(com);
  IwAtt* a = iwgetatt(igobjatt(obj), upper(att).c_str());
  if (!a && !(a = imcobjatt(obj, att.c_str(), &st))) return st;
  if (!imsattval(a, value.c_str(), &st)) return st;
  if (com) refile_shown(e, g, com, was.c_str(), shown_text(com).c_str());
  touch(e, g);
  return 0;
}

int do_unset(Edit& e) {
  std::size_t used = 0;
  IwGrp* g = nullptr;
  void* obj = find_object(e, 1, &used, &g);
  if (!used || e.words.size() != 2 + used) return kOwnMessage - 1;
  if (!obj) return kOwnMessage;
  std::string att = upper(e.words[1 + used]);
  IwAtt* a = iwgetatt(igobjatt(obj), att.c_str());
  if (!a) {
    std::string owner(e.words[1]);
    for (std::size_t k = 2; k < 1 + used; ++k) owner.append(" ").append(e.words[k]);
    return missing(e, wlib_fragment(WLIB_OBJ_ATTRIBUTE, att.c_str(), owner.c_str()));
  }
  int st;
  IwCom* com = component_of(obj);
  std::string was = shown_text(com);
  if (!imdobjatt(obj, a, &st)) return st;
  if (com) refile_shown(e, g, com, was.c_str(), shown_text(com).c_str());
  touch(e, g);
  return 0;
}

int do_delete(Edit& e) {
  const auto& w = e.words;
  if (upper(w[1]) != "COMPONENT") return kOwnMessage - 1;
  IwGrp* g = find_group(e, w[2]);
  IwCom* com = g ? find_com(e, g, w[3]) : nullptr;
  if (!com) return kOwnMessage;
  int st;
  // The sheet's list is what the writer writes: a component taken off it
  // must not leave its pins on the nets.
  for (IwPin* p = igcompin(com); p; p = igpincnx(p))
    if (IwNet* net = igpinnet(p); net && !imdnetpin(net, p, &st)) return st;
  std::string was = shown_text(com);
  if (!imdschcom(com->sch, com, &st)) return st;
  refile_shown(e, g, com, was.c_str(), nullptr);
  touch(e, g);
  return 0;
}

int do_save(Edit& e) {
  e.any_save = true;
  if (e.words.size() == 1) {
    e.save_all = true;
    return 0;
  }
  IwGrp* g = find_group(e, e.words[1]);
  if (!g) return kOwnMessage;
  if (std::find(e.saves.begin(), e.saves.end(), g) == e.saves.end()) e.saves.push_back(g);
  return 0;
}

struct Command {
  const char* word;     // the command, upper case
  std::size_t min;      // fewest words, the command included
  std::size_t max;      // most words (0: any number; the rest is a value)
  const char* form;     // shown when the line does not fit
  int (*run)(Edit& e);  // 0, a status, kOwnMessage, or kOwnMessage - 1 for "not the form"
};

constexpr Command kCommands[] = {
    {"CREATE", 5, 5, "create <group> <sheet> <of-group> <name>", do_create},
    {"CONNECT", 5, 5, "connect <group> <component> <pin> <net>", do_connect},
    {"DISCONNECT", 4, 4, "disconnect <group> <component> <pin>", do_disconnect},
    {"RENAME", 5, 5, "rename net|component <group> <old name> <new name>", do_rename},
    {"SET", 5, 0, "set <object> <attribute> <value>", do_set},
    {"UNSET", 4, 7, "unset <object> <attribute>", do_unset},
    {"DELETE", 4, 4, "delete component <group> <name>", do_delete},
    {"SAVE", 1, 2, "save [<group>]", do_save},
};

// Splits the line into words; false for a comment or an empty line.
bool split(const std::string& text, std::vector<std::string_view>* words) {
  words->clear();
  std::string_view rest(text);
  for (;;) {
    std::size_t b = rest.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) break;
    rest.remove_prefix(b);
    std::size_t e = std::min(rest.find_first_of(" \t\r"), rest.size());
    words->push_back(rest.substr(0, e));
    rest.remove_prefix(e);
  }
  return !words->empty() && (*words)[0][0] != '#' && (*words)[0][0] != '|';
}

// The line as a message shows it: at most kShownChars characters.
std::string shown(const std::string& text) {
  if (text.size() <= kShownChars) return text;
  return text.substr(0, kShownChars) + "...";
}

// Applies line e.line: 0 accepted, else rejected (reason printed).
int apply(Edit& e) {
  const Command* cmd = nullptr;
  std::string verb = upper(e.words[0]);
  for (const Command& c : kCommands)
    if (verb == c.word) cmd = &c;
  if (!cmd) {
    std::string word = shown(std::string(e.words[0]));
    wlib_say(WLIB_EDIT_VERB, e.line, path_of(e), word.c_str());
    return kOwnMessage;
  }
  std::size_t n = e.words.size();
  // Names are checked before anything is looked up: a name the database
  // would refuse names nothing in it.  A value (the rest of a set line)
  // is not a name.
  std::size_t names = n;
  if (verb == "SET" && n > 1) names = std::min(n, 1 + object_words(e.words[1]) + 1);
  for (std::size_t k = 1; k < names; ++k) {
    if (e.words[k].size() < iw::kNameLimit) continue;
    std::string start(e.words[k].substr(0, 16));
    wlib_say(WLIB_EDIT_LONGNAME, e.line, path_of(e), static_cast<int>(e.words[k].size()),
             start.c_str(), static_cast<int>(iw::kNameLimit));
    return kOwnMessage;
  }
  int result = kOwnMessage - 1;
  if (n >= cmd->min && (cmd->max == 0 || n <= cmd->max)) result = cmd->run(e);
  if (result == kOwnMessage - 1) {
    wlib_say(WLIB_EDIT_FORM, e.line, path_of(e), cmd->form);
    return kOwnMessage;
  }
  if (result > 0) {
    std::string line = shown(*e.text);
    wlib_say(WLIB_EDIT_REJECTED, e.line, path_of(e), result, line.c_str());
  }
  return result;
}

}  // namespace

bool wlib_edit_read(const std::string& path, WlibScript* script) {
  *script = WlibScript{};
  script->path = path;
  int why = 0;
  std::unique_ptr<std::FILE, FileCloser> in(rkDufsFopenRead(path.c_str(), &why));
  if (!in) {
    wlib_say(WLIB_EDIT_UNREADABLE, path.c_str(), rkDufsWhy(why));
    return false;
  }
  std::string line;
  bool pending = false;  // a line has begun
  for (int c; (c = std::getc(in.get())) != EOF;) {
    pending = true;
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      script->lines.push_back(std::move(line));
      line.clear();
      pending = false;
      continue;
    }
    int lineno = static_cast<int>(script->lines.size()) + 1;
    if (line.size() >= iw::kScriptLineChars) {
      script->badline = lineno;
      script->badmsg = WLIB_EDIT_LONGLINE;
      break;
    }
    // A carriage return inside a line is a blank, as in every text file
    // the programs read; other control bytes mean the file is not text.
    if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7f) {
      script->badline = lineno;
      script->badmsg = WLIB_EDIT_BYTE;
      script->badbyte = c;
      script->badcolumn = static_cast<int>(line.size()) + 1;
      break;
    }
    line.push_back(static_cast<char>(c));
  }
  if (std::ferror(in.get())) {
    wlib_say(WLIB_EDIT_UNREADABLE, path.c_str(), std::strerror(errno));
    return false;
  }
  if (pending && !script->badline) script->lines.push_back(std::move(line));
  return true;
}

int wlib_edit(const WlibScript& script) {
  Edit e;
  e.script = &script;
  int accepted = 0;
  int count = static_cast<int>(script.lines.size());
  if (script.badline) count = script.badline;
  for (e.line = 1; e.line <= count; ++e.line) {
    if (e.line == script.badline) {
      if (script.badmsg == WLIB_EDIT_BYTE)
        wlib_say(WLIB_EDIT_BYTE, e.line, path_of(e), script.badbyte, script.badcolumn);
      else
        wlib_say(WLIB_EDIT_LONGLINE, e.line, path_of(e), static_cast<int>(iw::kScriptLineChars));
      wlib_say(WLIB_EDIT_STOPPED, e.line);
      return WLIB_EXIT_FAILED;
    }
    e.text = &script.lines[static_cast<std::size_t>(e.line) - 1];
    if (!split(*e.text, &e.words)) continue;
    if (apply(e) != 0) {
      wlib_say(WLIB_EDIT_STOPPED, e.line);
      return WLIB_EXIT_FAILED;
    }
    ++accepted;
  }
  std::vector<IwGrp*> groups = e.saves;
  if (e.save_all)
    for (IwGrp* g : e.touched)
      if (std::find(groups.begin(), groups.end(), g) == groups.end()) groups.push_back(g);
  wlib_say(WLIB_EDIT_ACCEPTED, path_of(e), accepted, static_cast<int>(groups.size()));
  if (!e.any_save) wlib_say(WLIB_EDIT_NOSAVE);
  bool failed = false;
  for (IwGrp* g : groups) failed |= wlib_write(g, false) != 0;
  return failed ? WLIB_EXIT_FAILED : WLIB_EXIT_OK;
}
