// wirelist/iwoat.h - the occurrence-attribute table and its merged view.
//
// A component, pin or net stands once in its group but once per path in
// the flattened design.  Occurrence attributes belong to one such path,
// written as the instance names from the top group down, each followed by
// a backslash, then the object's own name ("$1I12\S0"), in upper case.
// They live in a table of 731 buckets (made by iwinit from the data pool);
// an entry is keyed by path and kind (2 component, 4 pin, 8 net), and one
// path may have one entry of each kind.
//
// The merged iterators give a client the view the netlister writes: the
// occurrence's attributes first (is-oat 1), then the object's own
// attributes (is-oat 0) that no occurrence attribute of the same name
// overrides; a component's SIGNAL is overridden only by an occurrence
// SIGNAL naming the same signal (the text after ";").  Their state is
// global: one merged iteration runs at a time.
//
// iwoat fills the table from the design's occurrence-attribute file and
// the further files that "OAT" attributes name (wirelist/iwoatfile.cc
// describes the format); with cleaning on ("OATS 1" in the initialization
// file) the entries of occurrences that no longer exist are commented out
// in the design's own file.  Nothing is printed: every outcome is one of
// the results below, a severity order in which a larger value is worse.
#pragma once

#include "wirelist/iwobj.h"

/// One occurrence of the table.
struct IwOatEntry {
  const char* path = nullptr;  // occurrence path, upper case (data pool)
  int kind = 0;                // 2 component, 4 pin, 8 net
  IwAtt* atts = nullptr;       // sorted attribute list
  IwOatEntry* next = nullptr;  // next entry of the bucket
};

/// Occurrence kinds.
inline constexpr int IW_OAT_COM = 2;
inline constexpr int IW_OAT_PIN = 4;
inline constexpr int IW_OAT_NET = 8;

/// Results of iwoat and iwloadoat.
inline constexpr int IW_OAT_NOTHING = -4;     // nothing special
inline constexpr int IW_OAT_NOT_CLEANED = -3;  // cleaning asked for, the file not rewritten
inline constexpr int IW_OAT_EMPTY = -1;       // the table holds no occurrence at all
inline constexpr int IW_OAT_LOADED = 0;       // loaded
inline constexpr int IW_OAT_REPLACED = 1;     // loaded; an attribute replaced an earlier one
inline constexpr int IW_OAT_NO_FILE = 2;      // the file does not exist
inline constexpr int IW_OAT_NO_GROUP = 3;     // no group, or no file name
inline constexpr int IW_OAT_BAD_NAME = 4;     // empty file name, or one too long
inline constexpr int IW_OAT_SYNTAX = 5;       // a syntax error
inline constexpr int IW_OAT_MEMORY = 6;       // out of memory
inline constexpr int IW_OAT_INTERNAL = 8;     // missing argument, path too long

/// Loads the named file when load is 1 (its group's library in front
/// when the name has none), then walks the design from group, loading
/// the file each "OAT" attribute names with that occurrence's path as
/// prefix.  The worst result; a result of 2 or more ends it at once.
int iwoat(IwGrp* group, int load, const char* name);

/// Loads one file ("oat" added when the name has no extension, looked up
/// as a schematic-kind file of the libraries); every path in it is
/// prefix + the path written.  Entries read before a failure stay.
int iwloadoat(const char* prefix, const char* name);

/// 1 when path (instance names from group down, then the object's own
/// name) leads to no component (kind 2), symbol pin (4) or net (8).
/// Every part is compared with whole instance names.
int isOrphanOat(const char* path, int kind, IwGrp* group);

/// The entry after previous in table order (bucket by bucket), the first
/// one for null; null at the end or without a table.
IwOatEntry* igoatnxt(const IwOatEntry* previous);

/// The bucket of path: h = (h * 10 + c - 48) mod 731 over its characters,
/// lower-case letters taken as upper case, a negative result raised by 731.
int iwoathash(const char* path);

/// Creates the empty table (kept when it exists); 1, or 0 on failure.
int iwoattab();

/// The entry of path and kind; with create, made (and counted) when
/// missing.  Null without a table or for a bad kind.
IwOatEntry* iwoatentry(const char* path, int kind, int create);

/// The attribute list of the component / pin / net occurrence, or null.
/// Without a table: the assertion line for "oattab != NULL" and null.
IwAtt* igcomoat(const char* path);
IwAtt* igpinoat(const char* path);
IwAtt* ignetoat(const char* path);

/// Merged iterators: start with previous null, then pass the attribute
/// last returned.  *isoat tells which list the attribute came from.
IwAtt* igocsatt(const char* path, IwCom* component, int* isoat, IwAtt* previous);
IwAtt* igopsatt(const char* path, IwPin* pin, int* isoat, IwAtt* previous);
IwAtt* igonatt(const char* path, IwNet* net, int* isoat, IwAtt* previous);

/// Merged look-up of attribute name (case ignored): the occurrence's
/// (*isoat 1), else the object's (*isoat 0), else null.
IwAtt* ifocsatt(const char* name, const char* path, IwCom* component, int* isoat);
IwAtt* ifopsatt(const char* name, const char* path, IwPin* pin, int* isoat);
IwAtt* ifonatt(const char* name, const char* path, IwNet* net, int* isoat);

/// Number of entries of kind (2, 4 or 8) made so far; 0 for other kinds.
long iwgetcnt(int kind);
