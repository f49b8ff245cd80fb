// netlister/tsnini.cc - the initialization file tsn.ini.
//
// tsn.ini tunes the netlister without options: which attributes reach the
// netlist (a filter list or an include list), how the user's bottom levels
// combine with the design's LEVEL attributes, whether analog components
// are left out, and which external netlisters run afterwards (SPAWN).  It
// is read once, before the design is loaded; a missing file is silent.
//
// The first of "filter" and "include" that actually stores a name decides
// the mode for the whole file; names given under the other keyword later
// are counted as ignored.  Every warning of this file begins with three
// blanks, so it is shown and logged as a comment line, never counted.
#include "netlister/tsnini.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "netlister/limits.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnutil.h"
#include "store/pxlib.h"
#include "util/rkdufs.h"
#include "util/rkstr.h"

namespace {

constexpr const char kIniName[] = "tsn.ini";
constexpr int kBuckets = 31;          // attribute table buckets
constexpr std::size_t kLine = 256;    // a line is read in pieces of 255 characters
constexpr std::size_t kWord = 39;     // longer words are cut

struct AttrEntry {
  AttrEntry* next;  // next entry of the bucket
  char* name;       // attribute name, upper case
};

// Process-wide state: the attribute table (null until tsn.ini is opened).
struct IniState {
  AttrEntry** table = nullptr;
};
IniState ini;

int bucket(const char* name) {
  int h = 0;
  for (const char* p = name; *p; ++p) {
    int c = static_cast<signed char>(*p);
    if (c >= 'a' && c <= 'z') c -= 32;
    h = (h * 10 + (c - '0')) % kBuckets;
  }
  return h < 0 ? h + kBuckets : h;
}

void add_attr(const std::string& name) {
  std::string upper = name;
  rkStrUpc(upper.data());
  AttrEntry* e = static_cast<AttrEntry*>(lalloc(sizeof(AttrEntry)));
  e->name = lstrdup(upper.c_str());
  int b = bucket(e->name);
  e->next = ini.table[b];
  ini.table[b] = e;
}

bool in_table(const char* name) {
  for (AttrEntry* e = ini.table[bucket(name)]; e; e = e->next)
    if (std::strcmp(e->name, name) == 0) return true;
  return false;
}

// The words of one line up to (not including) a comment word.
std::vector<std::string> words_of(const char* line) {
  std::vector<std::string> words;
  const char* p = line;
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
    if (!*p || *p == '|') break;
    const char* start = p;
    while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') ++p;
    std::string word(start, static_cast<std::size_t>(p - start));
    if (word.size() > kWord) word.resize(kWord);
    words.push_back(word);
  }
  return words;
}

// The settings one read of the file collects.
struct Reading {
  outdata* out;
  int line = 0;
  int used = 0;
  int ignored = 0;
  bool list_seen = false;
  bool level_seen = false;
  bool analog_seen = false;
};

void names(Reading* r, const std::vector<std::string>& words, int mode, int other) {
  r->list_seen = true;
  if (r->used == 0) w->attr_filter = mode;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (w->attr_filter != other || r->used == 0) {
      w->attr_filter = mode;
      add_attr(words[i]);
      ++r->used;
    } else {
      ++r->ignored;
    }
  }
}

void choice(Reading* r, const std::vector<std::string>& words, const char* keyword,
            const char* on_word, int on_value, const char* off_word, int off_value,
            int32_t* setting) {
  if (words.size() < 2) {
    llogmsg(r->out, "   Warning(%s, line %d): %s requires an argument", kIniName, r->line, keyword);
  } else if (rkStrIcmp(words[1].c_str(), on_word) == 0) {
    *setting = on_value;
  } else if (rkStrIcmp(words[1].c_str(), off_word) == 0) {
    *setting = off_value;
  } else {
    llogmsg(r->out, "   Warning(%s, line %d): %s is not an option for %s", kIniName, r->line,
            words[1].c_str(), keyword);
  }
}

char* spawn_part(const std::vector<std::string>& words, std::size_t from, std::size_t to) {
  if (from >= to) return nullptr;
  std::string joined;
  for (std::size_t i = from; i < to; ++i) {
    if (!joined.empty()) joined += ' ';
    joined += words[i];
  }
  char* part = static_cast<char*>(lalloc(tsn::kSpawnPart));
  rkStrncpyNullTerm(part, joined.c_str(), tsn::kSpawnPart);
  return part;
}

void spawn(Reading* r, const std::vector<std::string>& words) {
  if (words.size() < 2) {
    llogmsg(w->log, "   Warning(%s, line %d): Incomplete %s directive", kIniName, r->line, "SPAWN");
    return;
  }
  SpawnDirective* d = static_cast<SpawnDirective*>(lalloc(sizeof(SpawnDirective)));
  d->next = nullptr;
  d->key = lstrdup(words[1].c_str());
  std::size_t dollar = 2;
  while (dollar < words.size() && words[dollar][0] != '$') ++dollar;
  d->first = spawn_part(words, 2, dollar);
  d->second = dollar < words.size() ? spawn_part(words, dollar + 1, words.size()) : nullptr;
  SpawnDirective** tail = &w->spawn_directives;
  while (*tail) tail = &(*tail)->next;
  *tail = d;
  if (words.size() == 2)
    llogmsg(w->log, "   Warning(%s, line %d): Incomplete %s directive", kIniName, r->line, "SPAWN");
}

void directive(Reading* r, const std::vector<std::string>& words) {
  const char* key = words[0].c_str();
  if (rkStrIcmp(key, "filter") == 0) {
    names(r, words, ATTR_FILTER, ATTR_INCLUDE);
  } else if (rkStrIcmp(key, "include") == 0) {
    names(r, words, ATTR_INCLUDE, ATTR_FILTER);
  } else if (rkStrIcmp(key, "Level_usage") == 0) {
    r->level_seen = true;
    choice(r, words, "Level_usage", "union", LEVEL_UNION, "override", LEVEL_OVERRIDE,
           &w->level_usage);
  } else if (rkStrIcmp(key, "Analog_comp_filter") == 0) {
    r->analog_seen = true;
    choice(r, words, "Analog_comp_filter", "on", ANALOG_FILTER_ON, "off", ANALOG_FILTER_OFF,
           &w->analog_filter);
  } else if (rkStrIcmp(key, "SPAWN") == 0) {
    spawn(r, words);
  } else {
    llogmsg(r->out, "   Warning(%s, line %d): Illegal keyword %s", kIniName, r->line, key);
  }
}

}  // namespace

void read_ini_file(outdata* out) {
  char path[px::kMaxPath];
  if (pxGetini(kIniName, path) != PX_OK) return;
  int why = 0;
  std::FILE* fp = rkDufsFopenRead(path, &why);
  if (!fp) {
    // Found but not readable: the user's settings would be ignored unseen.
    llogmsg(out, "Warning: Initialization file '%s' cannot be read: %s.", path, rkDufsWhy(why));
    return;
  }
  llogmsg(out, "Using initialization file '%s'", path);
  clr_attr_flt();
  ini.table = static_cast<AttrEntry**>(lalloc(sizeof(AttrEntry*) * kBuckets));
  for (int i = 0; i < kBuckets; ++i) ini.table[i] = nullptr;

  Reading r;
  r.out = out;
  char line[kLine];
  bool nul = false;
  while (rkDufsFgets(line, sizeof line, fp, &nul)) {
    ++r.line;
    if (nul)
      llogmsg(out, "   Warning(%s, line %d): a NUL byte ends the text of this line", kIniName,
              r.line);
    std::vector<std::string> words = words_of(line);
    if (!words.empty()) directive(&r, words);
  }
  std::fclose(fp);

  const bool filtering = w->attr_filter == ATTR_FILTER;
  if (r.ignored > 0)
    llogmsg(out, "   Warning(%s): Ignoring %d attribute %s(s)", kIniName, r.ignored,
            filtering ? "include" : "filter");
  if (r.list_seen)
    llogmsg(out, "   Using %d attribute %s(s)", r.used, filtering ? "filter" : "include");
  if (r.level_seen)
    llogmsg(out, "   %s is %s", "Level_usage",
            w->level_usage == LEVEL_OVERRIDE ? "override" : "union");
  if (r.analog_seen)
    llogmsg(out, "   %s is %s", "Analog_comp_filter",
            w->analog_filter == ANALOG_FILTER_OFF ? "off" : "on");
}

int filterit(const char* name) {
  if (!name) return 0;
  if (std::strcmp(name, "LABEL") == 0 || std::strcmp(name, "MODEL") == 0)
    return w && w->filetype == WIR_FILE ? 0 : 1;
  if (std::strcmp(name, "LEVEL") == 0) return 1;
  switch (w ? w->attr_filter : ATTR_FILTER) {
    case ATTR_FILTER:
      return ini.table && in_table(name) ? 1 : 0;
    case ATTR_INCLUDE:
      return ini.table && in_table(name) ? 0 : 1;
    default:
      return 0;
  }
}

void clr_attr_flt() {
  if (!ini.table) return;
  for (int i = 0; i < kBuckets; ++i) {
    while (AttrEntry* e = ini.table[i]) {
      ini.table[i] = e->next;
      lstrfree(e->name);
      lfree(e, sizeof(AttrEntry));
    }
  }
  lfree(ini.table, sizeof(AttrEntry*) * kBuckets);
  ini.table = nullptr;
}
