// netlister/tsnwalk.cc - levels, contexts, walkers and hierarchical names;
// see tsnwalk.h.
//
// The level list keeps the user's bottom levels in the order given, each
// once (compared ignoring case).  tsn_getlevel walks it by the identity of
// the stored strings, so callers hand back exactly what it returned.
#include "netlister/tsnwalk.h"

#include <cstring>

#include "netlister/tsnmsg.h"
#include "util/rkstr.h"

namespace {

struct Level {
  Level* next;     // next level in the order added
  char* name;      // own copy, as given (callers upper-case it)
  int uses;        // fault-simulation design levels only: use count
};

// Process-wide state of the level lists.
struct LevelState {
  Level* user_levels = nullptr;    // bottom levels named by the user
  Level* design_levels = nullptr;  // fault-simulation design levels
};
LevelState levels;

const char* add_level(Level** list, const char* name) {
  if (!name) return name;
  Level** tail = list;
  for (Level* l = *list; l; l = l->next) {
    if (rkStrIcmp(l->name, name) == 0) return name;
    tail = &l->next;
  }
  Level* l = static_cast<Level*>(lalloc(sizeof(Level)));
  l->next = nullptr;
  l->name = lstrdup(name);
  l->uses = 0;
  *tail = l;
  return l->name;
}

Level* find_exact(Level* list, const char* name) {
  for (Level* l = list; l; l = l->next)
    if (rkStrIcmp(l->name, name) == 0) return l;
  return nullptr;
}

void free_list(Level** list) {
  while (Level* l = *list) {
    *list = l->next;
    lstrfree(l->name);
    lfree(l, sizeof(Level));
  }
}

}  // namespace

const char* tsn_addlevel(const char* name) { return add_level(&levels.user_levels, name); }

const char* tsn_getlevel(const char* prev) {
  if (!prev) return levels.user_levels ? levels.user_levels->name : nullptr;
  for (Level* l = levels.user_levels; l; l = l->next)
    if (l->name == prev) return l->next ? l->next->name : nullptr;
  return nullptr;
}

const char* fsim_add_design_level(const char* name) {
  return add_level(&levels.design_levels, name);
}

int fsim_push_level(const char* name) {
  Level* l = name ? find_exact(levels.design_levels, name) : nullptr;
  if (!l) return 1;
  ++l->uses;
  return 0;
}

int fsim_pop_level(const char* name) {
  Level* l = name ? find_exact(levels.design_levels, name) : nullptr;
  if (!l) return 1;
  --l->uses;
  return 0;
}

const char* fsim_get_curlevel(const char* prev) {
  Level* l = levels.design_levels;
  if (prev) {
    while (l && l->name != prev) l = l->next;
    if (l) l = l->next;
  }
  while (l && l->uses != 0) l = l->next;
  return l ? l->name : nullptr;
}

void tsn_free_levels() {
  free_list(&levels.user_levels);
  free_list(&levels.design_levels);
}
