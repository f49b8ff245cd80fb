// wirelist/iwsession.h - process-wide state of the wirelist database.
//
// The database keeps one session per process: the name table, the pools
// and free lists, the group table and group reference list, the reader's
// token buffer and the flags the operations consult.  It is one record,
// iws, so that tests can start from a clean state with iwsession_reset.
//
// The session also counts design generations (iwgeneration): a client
// that keeps facts about records by their addresses keeps them for one
// generation only, since records may be freed and their addresses reused
// once it moves on.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "wirelist/iwindex.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwobj.h"
#include "wirelist/limits.h"

struct RkSymTable;
struct RkMsgFile;
struct PrjProject;
struct IwOatEntry;
struct RkBusState;
struct IwPord;
struct IwPordList;
struct IwGblEntry;
struct IwGblGroup;
struct IwNextIndex;
struct IwHetSet;
struct IwPldEntry;

/// What the occurrence-attribute walk meets below a group when the table
/// names nothing there: whether it must go in (a component names a file
/// or lacks a name, symbol or group; or the group is on a cycle) and the
/// longest path suffix it forms below the group (-1: none).
struct IwOatBelow {
  int state = 0;       // 0 not yet formed, 1 being formed, 2 formed
  bool enter = false;  // the walk must go in
  long longest = -1;
};

/// A member of a named set: the text, and the copy that holds it when the
/// set owns it.
struct IwSetMember {
  const char* text = nullptr;    // the member
  std::unique_ptr<char[]> copy;  // the set's own copy, or null
};

/// A named set (inaddmem and friends): a number and 117 buckets chosen by
/// iwhash; each bucket keeps its newest member last.  The writer keeps a
/// name for every net of a sheet in one set, so membership is answered by
/// an index on the upper-cased text instead of a walk of a bucket that may
/// hold thousands of names (texts equal ignoring case share a slot); the
/// buckets keep the order inanymem shows.
struct IwNamedSet {
  int number = 0;
  std::vector<IwSetMember> buckets[iw::kNameSetBuckets];
  std::vector<const char*> index;  // open addressing: the newest member of each text, or null
  std::size_t indexed = 0;          // texts in index
};

/// Fast access to one group's pin-order entries: the entries in order and
/// the first symbol pin index of each.
struct IwPordIndex {
  IwPordList* list = nullptr;    // the group's record on the pin-order list
  std::vector<IwPord*> entries;  // entry p is entries[p - 1]
  std::vector<long> first;       // first symbol pin of entry p
};

/// A bus-name (or word) iteration that survives between calls: iwexpstr
/// keeps one of these, the readers make their own where two names are
/// walked in step.
struct IwExpIter {
  const char* text = nullptr;   // the name being walked (caller's memory)
  const char* rest = nullptr;   // word mode: where the next word starts
  RkBusState* state = nullptr;  // bus mode: the expansion state
  bool expand = false;          // bus expansion rather than words
  bool plain = false;           // bus mode, text is one signal: given as it is
  bool done = true;             // no further element
  IwExpIter() = default;
  IwExpIter(const IwExpIter&) = delete;
  IwExpIter& operator=(const IwExpIter&) = delete;
  ~IwExpIter();
};

/// A registered message output.
struct IwMsgOutput {
  std::FILE* stream = nullptr;  // where the messages go (not owned)
  std::string format;           // one %s, the message
  int mask = 0;                 // severity bits written here
};

/// A slot of the exact-text index of the name table: the high half of a
/// stored text's hash and the entry's place in nameentries plus one (0:
/// free).  Eight bytes, so that the index of a large design stays within
/// the processor's caches.
struct IwNameSlot {
  std::uint32_t tag = 0;
  std::uint32_t entry = 0;
};

struct IwSession {
  // --- design generation ---
  std::uint64_t generation = 1;  // see iwgeneration; never 0, so 0 can mean "none yet"

  // --- name table ---
  IwNameEntry** namehead = nullptr;  // bucket heads (data pool); null until first use
  IwNameEntry** nametail = nullptr;  // bucket tails (the greatest entry once sorted)
  std::vector<bool> namewalked;      // bucket sorted and searched by the walk from now on
  std::vector<IwNameSlot> nameslots;       // exact-text index of the other buckets' entries
  std::vector<IwNameEntry*> nameentries;  // the entries the index refers to
  // iwkeptname's check (debug builds): each kept text's copy, and the
  // text at each copy's address.
  std::unordered_map<std::string, const char*> keptcopies;
  std::unordered_map<const char*, std::string> kepttexts;

  // --- indexes beside long lists (wirelist/iwindex.h) ---
  bool shortcuts = true;  // indexes may answer; off: every list is walked
  std::unordered_map<const IwAtt*, std::unique_ptr<IwAttIndex>> attindex;  // by list head
  std::unordered_map<const IwGrp*, IwSchIndex> schindex;                  // sheets by group
  std::unordered_map<const IwSym*, std::unique_ptr<IwSpnIndex>> spnindex;  // pins by symbol

  // --- memory ---
  int datapool = 0;            // number of the data pool, 0 before it exists
  std::vector<IwPool> pools;   // pool n is pools[n - 1]
  std::vector<IwQuick> quick;  // quick buffers
  std::vector<void*> flatt, flnet, flcom, flsch, flspn, flsym, flgrp;  // free lists
  std::vector<IwPin*> flpin[iw::kPinFreeLists];                        // pin arrays by pin count
  std::unordered_set<void*> heapmade;  // free-list records that iwalloc'd memory holds

  // --- counters ---
  long compcount = 0;  // components made minus freed
  long netcount = 0;   // nets made minus freed

  // --- groups ---
  RkSymTable* grptab = nullptr;  // group name -> group
  IwGrp* grpref = nullptr;       // group reference list, newest first
  IwGrp* topgrp = nullptr;       // first group made through iwaddgroup
  IwSch* allcompsch = nullptr;   // sheet reached by iwallcomp

  // --- reader ---
  int cursheet = 0;                   // sheet number the readers file objects under
  char token[iw::kTokenBuffer] = {};  // current token
  bool uniquestr = false;             // instance names copied instead of interned
  std::FILE* input = nullptr;         // stream the wirelist reader reads
  bool atlineend = false;             // the last token read was the line end
  const char* parsefile = nullptr;    // name of the file iwparse reads (for messages)
  bool unreadable = false;            // the last iwvfopen found its file but could not read it
  float version = 0.0f;               // format version of the file being read
  bool loaderror = false;             // a wirelist was opened but failed to parse
  bool busexpand = false;             // bus names are expanded bit by bit (iwexpbus)
  IwPordList* pordlist = nullptr;     // pin orders recorded by PINORDER, newest first
  std::unordered_map<const IwGrp*, IwPordIndex> pordindex;  // index beside pordlist
  IwExpIter expstr;                                         // iteration of iwexpstr

  // --- accessors ---
  bool cossatown = true;  // igcossat is still in the component's own list
  bool cospatown = true;  // igcospat is still in the pin's own list
  std::vector<std::unique_ptr<IwNamedSet>> namedsets;  // named sets, newest last

  // --- global nets ---
  IwGblEntry* gblnets = nullptr;                           // table, newest first
  std::unordered_map<std::string, IwGblEntry*> gblbyname;  // index by net name
  IwGblEntry* gblcursor = nullptr;                         // position of iwgblnet
  IwGblGroup* gblgrpcursor = nullptr;                      // position of iwgblgrp

  // --- session ---
  bool initialized = false;          // iwinit completed its first step
  std::vector<std::string> levels;   // bottom levels, upper case, newest first
  bool chktime = true;               // wirelists checked against their sources
  bool recache = false;              // libraries re-cached before loading
  bool cacheenabled = false;         // the store caches all libraries
  bool killoat = false;              // orphan occurrence attributes commented out
  bool regen[2] = {true, true};      // regeneration allowed: iwvopen, iwopen
  bool nochkwritable = false;        // modifications skip the writability check
  PrjProject* project = nullptr;     // the project store's project
  RkMsgFile* catalog = nullptr;      // the message catalog
  std::string inidir;                // second place of the initialization file
  std::string ininame = "drafta.ini";  // initialization file name
  std::string catname = "nodex";     // message catalog name

  // --- messages ---
  long msgcount[3] = {};               // notes, warnings, errors issued
  std::vector<IwMsgOutput> msgout;     // registered outputs, newest first
  void (*msgbeforewrite)(std::FILE*) = nullptr;  // told before a message goes to a stream
  IwMsgHandler msghandler = nullptr;   // installed handler, null for none
  void* msgarg = nullptr;              // its argument
  int msgseverity = 0;                 // severity of the message being issued
  std::string msggen;                  // text of the last iwmsggen

  // --- status line ---
  std::FILE* statstream = nullptr;  // terminal the line goes to, null: off
  int statmode = 0;                 // 0 off, 1 plain, 2 with counts
  std::string stattext;             // current text (at most 256 characters)
  int statlen = 0;                  // length of the last line drawn
  int statprefix = 0;               // length of the last count prefix

  // --- checker ---
  std::string lastcmd;         // last checker command run
  bool retry = false;          // the checker was searched for once already
  std::string checker = "check";  // checker program

  // --- PLD components ---
  IwPldEntry* pldlist = nullptr;     // PLD list, newest first
  IwPldEntry* pldupdated = nullptr;  // the list's head at the last PLD update step
  std::unordered_map<const char*, IwPldEntry*> pldbyname;  // PLD-component name -> newest entry
  std::unordered_map<const IwCom*, IwPldEntry*> pldbycom;  // component -> its entry
  std::unordered_map<const char*, IwGrp*> pldgroups;       // PLD-component groups by name
  std::unordered_set<std::string> pldruns;                 // translator commands run

  // --- libraries ---
  IwLib* libs = nullptr;   // library list, newest first
  int dirlib = 0;          // library reached by the directory walk, 0: none
  std::string dirpattern;  // pattern of the directory walk

  // --- occurrence attributes ---
  IwOatEntry** oattab = nullptr;  // buckets (data pool); null until created
  long oatcount[3] = {};          // component, pin, net entries made
  int oatphase = 0;               // merged iteration: 1 occurrence list, 2 object
  IwAtt* oatlist = nullptr;       // occurrence list of the merged iteration
  // Every entry by path (component, pin, net): 731 buckets hold thousands
  // of paths each in a large file, and every line of it looks one up.
  std::unordered_map<std::string_view, std::array<IwOatEntry*, 3>> oatindex;
  // Paths of component entries that name a further file (an "OAT"
  // attribute), and every prefix of them that ends before a backslash:
  // the design walk enters a group occurrence below none of them only for
  // what the stored groups name.
  std::unordered_set<std::string> oatnamed;
  // While iwoat runs: the group paths are resolved from, each group's
  // components by instance name (the orphan test), and what the walk would
  // meet below each group without the table (wirelist/iwoatfile.cc).
  IwGrp* oatgroup = nullptr;
  std::unordered_map<const IwGrp*, std::unordered_map<std::string_view, IwCom*>> oatcoms;
  std::unordered_map<const IwGrp*, IwOatBelow> oatbelow;

  // --- group assembly ---
  std::vector<IwGrp*> completed;                    // completed list, oldest first
  std::unordered_set<const IwGrp*> completedset;    // index beside it
  bool designloaded = false;                        // iwgroup finished reading
  bool combinehetero = false;                       // iwgroup ends with the heterogeneous pass
  IwNextIndex* nextindex = nullptr;                 // iwnextgroup's index while iwgroup reads
  std::vector<IwGrp*> deletedgrps;                  // taken off the reference list by imdgrp

  // --- heterogeneous symbols (wirelist/iwhetero.h) ---
  IwHetSet* hetsets = nullptr;  // the sets of the pass, newest first
};

/// The one session of the process.
extern IwSession iws;

/// Releases everything the session holds and starts a fresh one, of a
/// new design generation.
void iwsession_reset();

/// The design generation: a number that moves on whenever records may have
/// been made, changed or freed behind a client's back (a session reset,
/// iwinit, loading a design with iwgroup; any later change of records must
/// move it on too).  Facts kept by record address are valid while it stays.
inline std::uint64_t iwgeneration() { return iws.generation; }

/// Moves the design generation on.
inline void iwnewgeneration() { ++iws.generation; }
