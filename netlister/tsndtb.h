// netlister/tsndtb.h - back-annotation files and the annotation of the
// occurrence being written.
//
// Back-annotation (delay table) files attach attributes to component, net
// and pin occurrences by their hierarchical names, and carry net-delay
// entries ("W" records: driver, receiver, delay attributes) for nets.
// readDtbFile reads them during initialisation into one table keyed by
// name and kind.  While the netlist is written, the record writers load
// the annotation of the occurrence at hand (tsnLoadCom, tsnLoadNet,
// tsnLoadPin) and iterate its attributes through tsngcossat, tsngcospat
// and tsngnetatt, which return the annotated attributes first and then the
// design's own, hiding those of the same name.  Loading a component also
// opens one variable scope per occurrence on its path, so attribute values
// evaluate in the occurrence's scope.  Every fetch marks its entry
// referenced; unrefDtbs lists the entries that matched nothing.
//
// The writers' shortcuts (record plans, kept record bytes, whole-block
// pieces, the bulk pass over quiet nets, the pruned pin-delay walk) write
// an occurrence the way they wrote another; tsnShortcutOk tells them where
// the annotation makes an occurrence differ.
#pragma once

#include <string>

struct IwAtt;
struct IwCom;
struct IwNet;
struct IwPin;
struct TsnContext;

/// Entry kinds and data bits of the back-annotation table.
inline constexpr int DTB_COMP = 1;         // component entry
inline constexpr int DTB_NET = 2;          // net entry
inline constexpr int DTB_PIN = 4;          // pin entry
inline constexpr int DTB_KINDS = 7;        // the kind bits
inline constexpr int DTB_ATTS = 8;         // the data is an attribute list
inline constexpr int DTB_WRECS = 16;       // the data is a list of W records
inline constexpr int DTB_REFERENCED = 32;  // fetched while writing

/// One net-delay entry ("W" line of a net entry).
struct DtbWrec {
  DtbWrec* next = nullptr;         // next record of the same net entry
  const char* netname = nullptr;   // the net entry's name
  const char* driver = nullptr;    // driving pin's hierarchical name, upper case
  const char* receiver = nullptr;  // receiving pin's hierarchical name, upper case
  const char* atts = nullptr;      // the delay attributes, as written
  // Work fields of the net-delay writer, set again for every net.
  int driver_status = 0;    // 0 not found, 1 primitive pin, 2 block pin
  int receiver_status = 0;  //   with pins below, 3 block pin with none
  std::string driver_nf;    // matched pins in number form
  std::string receiver_nf;
};

/// Reads a back-annotation file (name with or without its "dtb"
/// extension), the names in it prefixed with prefix; 0 after reading the
/// file, 1 when no file was read (reported).
int readDtbFile(const char* name, const char* prefix);

/// Annotated attribute lists by hierarchical name, or null; a hit marks the
/// entry as referenced.
IwAtt* getDtbCompAtts(const char* name);
IwAtt* getDtbNetAtts(const char* name);
IwAtt* getDtbPinAtts(const char* name);

/// The first W record of the net entry of that name, or null; a hit marks
/// the entry as referenced.
DtbWrec* getDtbNetWrecs(const char* name);

/// list with every attribute of second added as a copy, an attribute of
/// the same name replaced where it stands, new ones appended; the copies
/// go back with tsnUnloadNet.
IwAtt* merge_attlists(IwAtt* list, IwAtt* second);

/// Reports the entries never fetched while writing (message 525 and one
/// line per entry); nothing without a table.
void unrefDtbs();

/// Writes the annotation table to dtb.out (debug mode).
void printDtbStructures();

/// Does nothing: the table lives until the process ends.
void dtbFree();

/// Opens the variable scopes of the component's path and makes its
/// annotation current; tsnUnloadCom closes them again.
void tsnLoadCom(TsnContext* context, IwCom* com);
void tsnUnloadCom(TsnContext* context);

/// Whether loading the component inside a block (context not null) would
/// open only scopes that define no variable: none defined by it or by any
/// occurrence on its path.  Values then evaluate alike without it.  The
/// annotation's scopes are not looked at: callers ask tsnShortcutOk first.
bool tsnScopesEmpty(TsnContext* context, IwCom* com);
/// The same in two parts: the path's scopes, and the component's own
/// variable definitions.
bool tsnPathScopesEmpty(TsnContext* context);
bool tsnDefinesVariables(IwCom* com);

/// Makes the annotation of the net (and of its aliases) current and queues
/// their W records for the net-delay writer.
void tsnLoadNet(TsnContext* context, IwNet* net);
void tsnUnloadNet();

/// Makes the annotation of the pin, or of the first pin above it that has
/// one, current.
void tsnLoadPin(TsnContext* context, IwPin* pin);
void tsnUnloadPin();

/// Attribute iteration of an occurrence: annotated attributes first, then
/// the design's own (with occurrence attributes) that are not annotated.
IwAtt* tsngcossat(TsnContext* context, IwCom* com, IwAtt* previous);
IwAtt* tsngcospat(TsnContext* context, IwPin* pin, IwAtt* previous);
IwAtt* tsngnetatt(TsnContext* context, IwNet* net, IwAtt* previous);

/// The pin occurrence's attribute named exactly name, or null.
IwAtt* tsnfcospat(const char* name, TsnContext* context, IwPin* pin);

/// Queues a net's W records for get_wrec.
void store_wlist(DtbWrec* list);
/// The first queued W record (previous null) or the one after previous,
/// going on into the next queued list; null at the end.
DtbWrec* get_wrec(DtbWrec* previous);
/// Empties the queue after a net has been written.
void release_wlists();
/// Frees the queue's memory.
void free_wlinks();

/// What a shortcut of the writers would do the same way at every
/// occurrence it serves.
enum class TsnShortcut {
  kComponent,    // write a module record from its plan or kept bytes (com)
  kGroup,        // write a group occurrence's records as one piece
  kQuietNets,    // pass over all of a group occurrence's quiet nets in bulk
  kQuietNet,     // pass over one quiet net of a group occurrence (net)
  kPinDelays,    // pass over a group occurrence and all below it when
                 // looking for pin delays
  kPinDelayNet,  // pass over one root net of a group occurrence when
                 // looking for pin delays (net)
};

/// Whether the shortcut may serve the occurrence: the component com or
/// the net net of the group occurrence that context leads to (null: the
/// top group), or that group occurrence itself.  False where
/// back-annotation reaches it (an entry at or below it, a component or
/// pin entry of a block above it, so a variable scope or a delayed pin),
/// and everywhere while occurrence attributes are loaded.  Without a
/// table and occurrence attributes the answer costs one test.
bool tsnShortcutOk(TsnShortcut what, TsnContext* context, IwCom* com = nullptr,
                   IwNet* net = nullptr);

/// Forgets the table and what is kept about the loaded design's
/// components (tsn_state_reset; the table belongs to the design
/// generation it was read in, and a newly loaded design drops it).
void tsndtb_reset();
/// Tests only: lower the bounds on what one run's files may make the
/// reader do (kDtbMaxFileReads, kDtbMaxBytesRead) until the next reset.
void tsndtb_read_limits(unsigned long reads, unsigned long long bytes);
