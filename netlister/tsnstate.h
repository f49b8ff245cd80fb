// netlister/tsnstate.h - the netlister's process-wide state, and the
// switch that turns its shortcuts off.
//
// One run per process: the netlister keeps its state in process-wide
// records, one per concern, each defined in the module that owns it:
//
//   record       module    holds
//   w            tsnmain   the run record: settings, both streams, the
//                          summary counters, the SPAWN lists
//   msg_state    tsnmsg    the catalog "tsn", the progress line's width,
//                          the lalloc balance, the named-set counter
//   streams      tsnutil   the streams open (drained before database
//                          messages and when the run is aborted)
//   ini          tsnini    the attribute filter of tsn.ini
//   levels       tsnwalk   the bottom levels, the fault-simulation levels
//   walk         tsnwalk   spare context cells and the four name slots
//   p2p          tsnp2p    timing-file groups, the delayed-pin set, the
//                          delay candidates of the net being visited
//   fsim         tsnfsim   symbols declared in the flattened output
//   spawn        tsnspawn  which external-netlister requests are recorded
//                          (they follow the run record's request list)
//   tsn_switches tsnstate  TSN_NO_SHORTCUTS, as read
//
// What the writers keep about the loaded design by the addresses of its
// records lives in TsnDesignCache records, which empty themselves when the
// wirelist database moves to another design generation (iwgeneration), so
// that loading a design needs no reset calls:
//
//   walk_caches  tsnwalk   path texts, symbol pin indexes
//   comp         tsncomp   component facts, record plans and kept record
//                          bytes, blocks written as one piece
//   net_state    tsnnet    evaluated values, the nets the record walks visit
//   p2p_caches   tsnp2p    the root nets of each group occurrence
//   dtb_state    tsndtb    the back-annotation table, what it and the
//                          occurrence attributes resolved against the
//                          design, each component's variable
//                          definitions, the annotation of the occurrence
//                          being written: the table is read for one design
//
// The shortcuts these caches serve rest on one assumption: a block placed
// many times writes the same records at every instance, apart from the
// path in front of its names.  Each shortcut (TsnSwitch) has the general
// path beside it, which walks and forms every occurrence as if for the
// first time.  The environment variable TSN_NO_SHORTCUTS makes the writers
// take the general path, so that the shortcuts can be checked against it:
// the output must be the same byte for byte.  Its value is a list of
// shortcut names (kShortcutNames, separated by commas or blanks) to turn
// off those alone, or anything else but "0" or nothing to turn off all.
#pragma once

#include <cstdint>

#include "util/rkshortcut.h"
#include "wirelist/iwsession.h"

/// Facts about the loaded design kept by the addresses of its records.
/// get() hands out the record, emptied first when the database has moved
/// to another design generation since the last call: records may have
/// been freed, and their addresses reused, since.
template <class T>
struct TsnDesignCache {
  T value;                      // the facts
  std::uint64_t generation = 0;  // the design generation they belong to

  T& get() {
    if (generation != iwgeneration()) {
      value = T();
      generation = iwgeneration();
    }
    return value;
  }

  void reset() {
    value = T();
    generation = 0;
  }
};

/// The writers' shortcuts, each with the general path beside it, as the
/// switch names them.  (Whether back-annotation lets a shortcut serve an
/// occurrence is another question, tsnShortcutOk of tsndtb.h.)
enum class TsnSwitch {
  kCensus = 0,  // tsnmain: the counting walks' totals gathered once per stored component
  kPlans = 1,   // tsncomp: a component's attribute lookups and record tokens prepared once
  kBytes = 2,   // tsncomp: a record written again from its bytes with another path
  kBlocks = 3,  // tsncomp: a block of gates written as one piece of kept bytes
  kQuiet = 4,   // tsnnet, tsnp2p: nets that can write nothing (no record, no delay
                // block) passed over in bulk
  kValues = 5,  // tsnnet, tsncomp: evaluated attribute values kept while no scope changes them
  kPaths = 6,   // tsnwalk: the path text of a context kept while the walk stays in it
  kPorts = 7,   // tsnwalk: each symbol's index from net to its pins
  kScopes = 8,  // tsndtb: the variable definitions of each component picked out once
  kIndexes = 9,  // the database: indexes beside long attribute, sheet and pin lists and
                 // the occurrence-attribute table; the occurrence walk's pruning
};

/// The names TSN_NO_SHORTCUTS knows, by TsnSwitch value (util/rkshortcut.h
/// keeps them, as the database's indexes answer to the switch too).
inline constexpr const auto& kShortcutNames = rkShortcutNames;

/// The switch's process-wide state (tsnstate.cc); asked on hot paths, so
/// tsn_shortcut reads it inline.
struct TsnSwitches {
  bool read = false;  // TSN_NO_SHORTCUTS has been read
  unsigned on = 0;    // then: bit n set when TsnSwitch n may be taken
};
extern TsnSwitches tsn_switches;

/// Reads TSN_NO_SHORTCUTS into tsn_switches; returns the bits it set.
unsigned tsn_read_switches();

/// Whether the writers may take the shortcut; TSN_NO_SHORTCUTS is read once.
inline bool tsn_shortcut(TsnSwitch which) {
  const unsigned on = tsn_switches.read ? tsn_switches.on : tsn_read_switches();
  return (on >> static_cast<unsigned>(which)) & 1u;
}

/// Returns every record above to its starting state: closes the streams
/// still open, frees the run record and what the others hold, and reads
/// TSN_NO_SHORTCUTS again.  For tests that run the netlister in-process.
void tsn_state_reset();

// The parts of tsn_state_reset, each beside its record.
void tsnmain_reset();   // w and spawn (spawn_free, lfree_wirdata)
void tsnutil_reset();   // streams
void tsnwalk_reset();   // levels, walk, walk_caches
void tsnfsim_reset();   // fsim
void tsncomp_reset();   // comp
void tsnnet_reset();    // net_state
// and tsnp2p_reset (p2p_caches), tsndtb_reset (dtb_state), tsnmsg_reset
// (msg_state) in their modules' headers.
