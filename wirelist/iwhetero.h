// wirelist/iwhetero.h - combining the sections of heterogeneous parts.
//
// A physical part whose sections differ (a gate and a flip-flop in one
// package) is drawn as one primitive symbol per section.  Each section
// symbol lists every section of the part in its HETERO attribute, "(A)
// (B)", and each placed section carries the label of the package instance
// it belongs to, HETERO_LABEL.  The pass replaces each family of sections
// by one combined group and symbol (named by HETERO_SYMNAME, its pins in
// the order of HETERO_PINORDER, else of a pin-order file "<section>.hpn",
// else section by section), and in every sheet all section components
// that share a label by one component of the combined symbol whose pins
// carry the sections' nets.  The section groups are deleted afterwards,
// so a netlist shows one component per package instance.
//
// The combined objects are made through the modification API
// (wirelist/immod.h) with its write checks suspended.  Checks of the
// families (messages 501 to 511, 250) end the pass before anything
// changes; a family with a section that is not primitive is only left
// out (517); problems met while combining (507, 512, 513, 516, 521 to
// 523, and the API's own) are reported and the rest goes on.  A section
// component that cannot be combined (no or a bad label) stays as it is.
//
// iwgroup runs the pass at its end when iwcombine_hetero(1) is in force;
// wlib runs it on request.  The families found live in the session
// (iws.hetsets) between calls; a family combined once is not combined
// again.
#pragma once

#include <cstdint>

#include "wirelist/iwobj.h"

/// Object type codes of the pass's own records.
inline constexpr std::int32_t IW_HETSET = 10;
inline constexpr std::int32_t IW_HETSEC = 11;
inline constexpr std::int32_t IW_HETPIN = 12;

/// One section of a family: its group and its name as HETERO writes it.
struct IwHetSec {
  std::int32_t type = IW_HETSEC;
  IwGrp* grp = nullptr;        // the section's group
  const char* name = nullptr;  // as written in HETERO (interned, upper case)
  IwHetSec* next = nullptr;    // next section, in HETERO order
};

/// One pin of a combined symbol.
struct IwHetPin {
  std::int32_t type = IW_HETPIN;
  IwSpn* spn = nullptr;           // the section symbol pin it comes from
  const char* name = nullptr;     // its name (interned)
  const char* pintype = nullptr;  // its PINTYPE value, or null
  IwHetPin* next = nullptr;       // next pin, in combined order
};

/// A family of sections (a heterogeneous set).
struct IwHetSet {
  std::int32_t type = IW_HETSET;
  const char* name = nullptr;    // the combined name (HETERO_SYMNAME)
  const char* hetero = nullptr;  // the HETERO value the family was found by
  IwHetSec* secs = nullptr;      // the sections, in HETERO order
  IwHetPin* pins = nullptr;      // the combined pins, in order
  IwGrp* grp = nullptr;          // the combined group, once made
  bool done = false;             // combined; a later pass skips the set
  IwHetSet* next = nullptr;      // next set (the list is newest first)
};

/// Runs the pass over the loaded design: 1 when nothing failed, 0 when a
/// check failed (the design is then unchanged, or the failure was
/// reported while combining and the rest was done).
int iwhetero();
