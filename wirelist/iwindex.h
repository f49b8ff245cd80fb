// wirelist/iwindex.h - indexes beside the database's long lists.
//
// The records keep their lists exactly as defined: attribute lists sorted
// by name and value, a group's sheets in creation order, a symbol's pins
// in pin order.  Each list is searched by walking it from its head, which
// costs the length of the list for every record a reader files: 100,000
// attributes on one object, ports of one group or sheets of one group
// made loading quadratic.  Past a length threshold a list gets an index
// beside it that finds the same place the walk would find.  Below the
// threshold nothing is kept and nothing extra is done; when no list of a
// kind is indexed, the only cost is a test that the index table is empty.
//
// The indexes are shortcuts: the walk stays beside each of them, and
// iwsetshortcuts(false) (for the differential checks, and for a switch
// that turns every shortcut of the program off) drops them all and sends
// every operation down the walk.  An index answers only while it mirrors
// its list:
// - Attribute lists are indexed by their head element.  An index is kept
//   only for a list whose values are all present and in order (a list
//   that is not is walked); the list functions of wirelist/iwobj.h keep it
//   up to date.  Code that relinks a list by hand calls iwattforget for
//   it first, code that renames or revalues an attribute in place calls
//   iwattstale (every attribute index goes).
// - A group's sheets are indexed by number; iwgetsch keeps the index.
//   Code that links sheets by hand calls iwschforget.
// - A symbol's pins are indexed by position and by name; the readers keep
//   the index when they add a pin at the head or the tail.  Code that
//   links, unlinks or renames symbol pins by hand calls iwspnforget.
// Every use also checks the index against the list where it lands (the
// neighbours of an insertion, the ends of a pin list); a mismatch is an
// internal error: it is reported as an assertion failure, the index is
// dropped and the walk answers.
//
// State lives in the session (wirelist/iwsession.h) and goes with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "wirelist/iwobj.h"

namespace iw {

/// A walk that passes this many attributes indexes the list it walked.
inline constexpr int kAttIndexMin = 32;

/// Attributes per block of an attribute index; a block twice as full is
/// split in two.
inline constexpr std::size_t kAttBlock = 64;

/// A walk that passes this many sheets indexes the group's sheets.
inline constexpr int kSchIndexMin = 16;

/// A walk that passes this many symbol pins indexes the symbol's pins.
inline constexpr int kSpnIndexMin = 32;

}  // namespace iw

/// Byte order of two names, a missing one sorting as the empty name; the
/// order of attribute lists and of their indexes.
inline int iwnamecmp(const char* a, const char* b) {
  if (a == b) return 0;  // interned names: equal texts share a pointer
  return std::strcmp(a ? a : "", b ? b : "");
}

/// The index of one long attribute list: its elements in list order, cut
/// into blocks, so that a place is found by two binary searches (over the
/// blocks' last elements, then inside one block) and an insertion moves at
/// most one block's pointers.  Eight bytes or so per attribute.
struct IwAttIndex {
  std::vector<std::vector<IwAtt*>> blocks;  // the list, in order
  long lowercase = 0;                       // values holding ASCII lower-case letters
  bool refused = false;                     // the list cannot be indexed: walk it
};

/// The index of a long sheet list: the first sheet of each number.
struct IwSchIndex {
  std::unordered_map<int, IwSch*> bynumber;
  IwSch* tail = nullptr;  // last sheet of the list
};

/// The index of a long symbol pin list.
struct IwSpnIndex {
  std::deque<IwSpn*> pins;                              // pin k is pins[k - 1]
  std::unordered_map<std::string_view, IwSpn*> byname;  // first pin of each name
  bool named = false;                                   // byname is made
};

/// True while the indexes may answer; false sends every look-up down the
/// walk (the differential checks compare both).
bool iwshortcuts();

/// Turns the shortcuts on or off; turning them off drops every index.
void iwsetshortcuts(bool on);

// --- attribute lists (used by wirelist/iwobj.cc) --------------------------------------------

/// The usable index of the list headed by list, or null (none, or the
/// list is to be walked).  Any index headed by also (an attribute that
/// is about to join a list) is dropped first.
IwAttIndex* iwattindex(const IwAtt* list, const IwAtt* also = nullptr);

/// Indexes the list headed by list after a walk found it long; a list
/// that has a missing value or is out of order is marked to be walked.
void iwattbuild(IwAtt* list);

/// Inserts att (value present) where the walk would; false when the index
/// proved stale (it is dropped and nothing changed).
bool iwattinsert(IwAttIndex* index, IwAtt** list, IwAtt* att);

/// Takes att out of the list; 1 done, 0 att is not in the list, -1 the
/// index proved stale (dropped, nothing changed).
int iwattremove(IwAttIndex* index, IwAtt** list, IwAtt* att);

/// The first attribute named name, or null.
IwAtt* iwattfirst(IwAttIndex* index, const char* name);

/// Answers iwdupatt when it can (the list holds no lower-case value):
/// true with the attribute or null in *found; false to walk.
bool iwattdup(IwAttIndex* index, const char* name, const char* value, IwAtt** found);

/// Drops the index of the list headed by list (before relinking it by hand).
void iwattforget(const IwAtt* list);

/// Drops every attribute index (after renaming or revaluing attributes in
/// place).
void iwattstale();

/// Moves the index (or refusal) filed under the old head to the new head.
void iwattrehead(const IwAtt* old_head, const IwAtt* new_head);

// --- sheets and symbol pins ------------------------------------------------------------------

/// The group's first sheet of number, null when it has none; *known is
/// false when the group's sheets are not indexed (walk them).  A new
/// sheet of that number is appended through iwschappend.
IwSch* iwschfind(IwGrp* group, int number, bool* known);

/// Appends sheet to the group's indexed list (after iwschfind said it is
/// new); false when the index proved stale (dropped, nothing linked).
bool iwschappend(IwGrp* group, IwSch* sheet);

/// Indexes the group's sheets (after a walk found the list long).
void iwschbuild(IwGrp* group);

/// Drops the sheet index of group.
void iwschforget(const IwGrp* group);

/// The usable pin index of sym, or null (none, stale or off).
IwSpnIndex* iwspnindex(IwSym* sym);

/// Indexes the pins of sym (after a walk found the list long); returns it.
IwSpnIndex* iwspnbuild(IwSym* sym);

/// The first pin of sym named name through its index, or null; *stale is
/// set when the found pin no longer has that name (index dropped).
IwSpn* iwspnnamed(IwSym* sym, IwSpnIndex* index, const char* name, bool* stale);

/// The first pin of sym named name (compared exactly), or null: through
/// the index when there is one, else walked (a long walk makes the index).
IwSpn* iwspnfind(IwSym* sym, const char* name);

/// Records a pin just linked at the head of sym's list.
void iwspnpushfront(IwSpnIndex* index, IwSpn* spn);

/// Records a pin just linked at the tail of sym's list.
void iwspnpushback(IwSpnIndex* index, IwSpn* spn);

/// Pin k (1-based) of sym, or null when it has fewer pins; through the
/// index when there is one, else walked (a long walk makes the index).
IwSpn* iwspnat(IwSym* sym, int k);

/// Drops the pin index of sym.
void iwspnforget(const IwSym* sym);
