// wirelist/iwobj.h - the records of the wirelist database and their links.
//
// A design in memory: libraries, groups (design units) with their symbols
// and symbol pins, the numbered schematic sheets of each group with their
// components, the components' pins, the nets of each group and attributes
// on all of these.  Every record starts with its 32-bit type code, so the
// type of an object held as void* can be read (iwobjtype).  Names are
// interned upper-case strings (wirelist/iwname.h).
//
// Layout rules other modules rely on:
// - The pins of a component are one contiguous array of n+1 elements:
//   element 0 is the head (owning component), element k is pin k.  The
//   owner of pin k is k elements back; pin k+1 is the next element.
// - A net and its pins form a ring: the net points to its first pin, each
//   pin to the next, the last pin back to the net.  A net with no pins
//   points to itself.  A pin also names its ring's net (onnet); whatever
//   puts a pin on a ring or takes it off goes through ianetpin and
//   idnetpin, or keeps that field as they do.  The 16-bit number field (a net's kind, 0 or -1 for
//   a global net; a pin's index 1..n) tells a net from a pin on the ring.
// - Attribute lists are sorted by name, then value (iwaddatt).  Long
//   lists, a long sheet list and a long symbol pin list have an index
//   beside them (wirelist/iwindex.h): code that relinks, renames or
//   revalues their records by hand tells the index so.
//
// Records made by the readers come from the data pool and are never freed
// one by one; the iwmak* constructors (wirelist/iwmem.h) serve the
// modification API from free lists.
#pragma once

#include <cstdint>
#include <cstring>

#include "wirelist/iwname.h"

struct RkSymTable;

/// Object type codes (first field of every record).
inline constexpr std::int32_t NX_PINS = 1;
inline constexpr std::int32_t NX_NETS = 2;
inline constexpr std::int32_t NX_COMPONENTS = 3;
inline constexpr std::int32_t NX_SCHEMATICS = 4;
inline constexpr std::int32_t NX_SYMPINS = 5;
inline constexpr std::int32_t NX_SYMBOLS = 6;
inline constexpr std::int32_t NX_GROUPS = 7;
inline constexpr std::int32_t NX_ATTRIBUTES = 8;
inline constexpr std::int32_t NX_LIBS = 9;

/// Symbol type codes (the 16-bit type field of a symbol).
inline constexpr std::int16_t IW_UNKNOWN = -1;   // not yet known
inline constexpr std::int16_t IW_MODULE = 0;     // primitive, no sheets
inline constexpr std::int16_t IW_COMPOSITE = 1;  // unit with sheets
inline constexpr std::int16_t IW_PIN = 2;        // port symbol of a sheet
inline constexpr std::int16_t IW_PLD = 3;        // PLD component
inline constexpr std::int16_t IW_PLDCOMP = 4;    // PLD unit read from one file

/// Net kinds (the 16-bit number field of a net).
inline constexpr std::int16_t IW_LOCALNET = 0;
inline constexpr std::int16_t IW_GLOBALNET = -1;

struct IwAtt;
struct IwNet;
struct IwPin;
struct IwCom;
struct IwSch;
struct IwSpn;
struct IwSym;
struct IwGrp;
struct IwLib;

struct IwAtt {
  std::int32_t type = NX_ATTRIBUTES;
  void* owner = nullptr;        // carrying object; filled in lazily
  const char* name = nullptr;   // interned
  IwName value = nullptr;       // interned, or null
  IwAtt* next = nullptr;        // next in the sorted list
};

struct IwNet {
  std::int32_t type = NX_NETS;
  std::int16_t kind = IW_LOCALNET;  // 0 ordinary, -1 global; pins hold their index here
  const char* name = nullptr;       // interned, never "?"
  IwAtt* atts = nullptr;            // sorted attribute list
  void* pins = nullptr;             // first pin of the ring, or this net
  IwGrp* grp = nullptr;             // owning group
  IwNet* next = nullptr;            // next net of the group
  void* extra = nullptr;            // spare word, zero when created
};

/// One element of a component's pin array.  The head (index 0) uses the
/// first member of each union, a pin (index k) the second.
struct IwPin {
  std::int32_t type = NX_PINS;
  std::int16_t index = 0;  // k for pin k, 0 for the head
  union {
    IwCom* com = nullptr;  // head: owning component
    IwAtt* atts;           // pin: attribute list
  };
  union {
    std::intptr_t npins = 0;  // head from the free lists: pin count n
    void* next;               // pin: next pin on the net, the net after the last, null if open
  };
  IwNet* onnet = nullptr;  // pin: the net whose ring holds it (ianetpin), so that
                           // igpinnet need not walk a ring of thousands of pins
};

struct IwCom {
  std::int32_t type = NX_COMPONENTS;
  const char* name = nullptr;  // instance name
  IwAtt* atts = nullptr;       // sorted attribute list
  IwPin* pins = nullptr;       // head of the pin array; null until the instance record
  IwSch* sch = nullptr;        // owning sheet
  IwSym* sym = nullptr;        // symbol of the instantiated group
  IwCom* next = nullptr;       // next component of the sheet
  void* extra = nullptr;       // spare word, zero when created
};

struct IwSch {
  std::int32_t type = NX_SCHEMATICS;
  std::int16_t number = 0;       // sheet number
  IwAtt* atts = nullptr;         // sorted attribute list
  IwCom* coms = nullptr;         // first component (the newest)
  IwCom* lastcom = nullptr;      // the component added first
  IwGrp* grp = nullptr;          // owning group
  IwSch* next = nullptr;         // next sheet, in creation order
  void* extra = nullptr;         // spare word, zero when created
  RkSymTable* comtab = nullptr;  // display name -> component; made on first store
};

struct IwSpn {
  std::int32_t type = NX_SYMPINS;
  IwSym* owner = nullptr;         // owning symbol; filled in lazily
  const char* name = nullptr;     // interned; "~" first for an inverted label
  IwAtt* atts = nullptr;          // sorted attribute list
  IwNet* net = nullptr;           // net of the group this pin is tied to
  IwSpn* next = nullptr;          // next symbol pin, in pin order
  void* extra = nullptr;          // spare word, zero when created
  const char* pintype = nullptr;  // pin type, or null for the PINTYPE attribute
};

struct IwSym {
  std::int32_t type = NX_SYMBOLS;
  std::int16_t number = 1;            // symbol number n of the file <group>.<n>
  IwAtt* atts = nullptr;              // sorted attribute list
  IwSpn* spns = nullptr;              // first symbol pin
  std::int16_t symtype = IW_UNKNOWN;  // symbol type code
  std::int16_t npins = 0;             // number of symbol pins
  IwGrp* grp = nullptr;               // owning group
  IwSym* next = nullptr;              // next symbol, first one first, rest by number
  void* extra = nullptr;              // spare word, zero when created
};

struct IwGrp {
  std::int32_t type = NX_GROUPS;
  IwLib* lib = nullptr;          // library found in, or null
  const char* name = nullptr;    // interned; may carry "LIB:" in front
  IwSch* schs = nullptr;         // first sheet
  IwSym* sym = nullptr;          // first symbol
  IwNet* nets = nullptr;         // first net
  IwNet* lastnet = nullptr;      // last net
  IwGrp* next = nullptr;         // next group of the reference list (newest first)
  void* extra = nullptr;         // spare word, zero when created
  RkSymTable* nettab = nullptr;  // net name -> net; made on first store
};

struct IwLib {
  std::int32_t type = NX_LIBS;
  int handle = 0;              // the library's handle in the project store (1, 2, ...)
  const char* name = nullptr;  // library name
  IwLib* next = nullptr;       // next library (newest first)
};

/// The type code of any record (its first 32-bit field).
inline std::int32_t iwobjtype(const void* obj) {
  std::int32_t t;
  std::memcpy(&t, obj, sizeof t);
  return t;
}

/// The 16-bit number field of a ring element: a net's kind (0 or -1) or a
/// pin's index (1..n).
inline std::int16_t iwringnum(const void* node) {
  return iwobjtype(node) == NX_NETS ? static_cast<const IwNet*>(node)->kind
                                    : static_cast<const IwPin*>(node)->index;
}

/// Name of an object type code in messages ("NX_PINS" ... "NX_LIBS",
/// "UNKNOWN_OTYPE" for any other value).
const char* iwotypnam(int code);

/// Name of a symbol type code ("UNKNOWN" for anything outside -1..4).
const char* iwsymtype(int code);

/// Checks that group may be used with symbol type type: an unknown type
/// takes type; -1 or 3 on either side is accepted; any other difference
/// is message 282 and the stored type stays.  1 when accepted, else 0.
int iwchktype(IwGrp* group, int type);

// --- reader-side constructors (data pool) -----------------------------------

/// A new group with the interned name and its symbol 1 (type -1, no pins);
/// not yet in the group reference list or table.
IwGrp* iwmkgroup(const char* name);

/// With a group: applies the type rule and returns it.  With null: a new
/// group named after the current token, of symbol type type, linked at the
/// head of the reference list (the top group when the list was empty),
/// stored in the group table, with its symbol 1 loaded.
IwGrp* iwaddgroup(IwGrp* group, int type);

/// A new symbol of number 1, type -1, no pins, owned by group.
IwSym* iwmksym(IwGrp* group);

/// A new sheet of the current sheet number owned by group (not linked).
IwSch* iwmksch(IwGrp* group);

/// The group's sheet of the current sheet number, appended when absent.
IwSch* iwgetsch(IwGrp* group);

/// A new component of the group named grpname (looked up in upper case; the
/// group is created and linked when unknown), counted and shown.
IwCom* iwmkcomp(const char* instance, const char* grpname, int type);

/// Puts component at the head of sheet's list and into its table.
void iwaddcomp(IwSch* sheet, IwCom* component);

/// The group's net of that name, made and counted when new; null for "?".
IwNet* iwmknet(const char* name, IwGrp* group);

/// A new symbol pin with the interned name.
IwSpn* iwmkspin(const char* name);

/// A new symbol pin without a name.
IwSpn* iwalcspin();

/// A new attribute with interned name and value (a null value stays null).
IwAtt* iwmkatt(const char* name, const char* value);

// --- attribute lists ----------------------------------------------------------

/// list with att inserted before the first element whose name sorts after
/// att's, or whose name is equal and whose value sorts at or after att's
/// (an equal name with a null value on either side is passed over).
IwAtt* iwaddatt(IwAtt* list, IwAtt* att);

/// The first attribute named name, or null.
IwAtt* iwgetatt(IwAtt* list, const char* name);

/// The attribute named name whose value equals value ignoring case, or null.
IwAtt* iwdupatt(IwAtt* list, const char* name, const char* value);

/// The attribute named name whose text after its first ";" equals that of
/// value, or null.
IwAtt* iwsigatt(IwAtt* list, const char* name, const char* value);

/// list without att; att goes back to the attribute free list.
IwAtt* iwdelatt(IwAtt* list, IwAtt* att);

/// Takes att out of *list without freeing it (to file it again after a
/// change of name or value); att, or null when it is not in the list.
IwAtt* iwunlinkatt(IwAtt** list, IwAtt* att);

// --- iteration ----------------------------------------------------------------

/// Components of group sheet by sheet: null gives the first of the first
/// sheet; after a sheet's last the first of the next sheet.  A sheet
/// without components ends the walk.
IwCom* iwallcomp(IwGrp* group, IwCom* component);

/// Null gives the head of the group reference list; otherwise the next
/// group whose symbol is missing or of type 0, 1 or 4.
IwGrp* iwgetgrp(IwGrp* group);

/// From now on component instance names are upper-case copies in the
/// data pool instead of interned names.
void iwuniquestr();
