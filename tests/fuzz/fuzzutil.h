// tests/fuzz/fuzzutil.h - shared set-up of the fuzz targets.
//
// Each input runs against a fresh wirelist database.  Messages go to
// standard output, which the targets send to /dev/null: printing them
// would only slow the fuzzer down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "store/pxlib.h"
#include "util/rkbus.h"
#include "wirelist/iwsession.h"

namespace fuzz {

/// Inputs longer than this are passed over: the readers' work grows with
/// the input, and a few kilobytes reach every record and bound.
inline constexpr std::size_t kMaxInput = 1 << 16;

inline void Init() {
  std::freopen("/dev/null", "w", stdout);
  pxFindCatalogs();
}

/// A clean database with the bus separators it works with.
inline void Reset(bool busexpand) {
  iwsession_reset();
  rkBusExpandReset();
  rkBusExpandRepsep(" ,");
  iws.busexpand = busexpand;
  iws.cursheet = 1;
}

/// A read stream over text (which must outlive it), or null when empty.
inline std::FILE* Stream(std::string& text) {
  return text.empty() ? nullptr : fmemopen(text.data(), text.size(), "r");
}

}  // namespace fuzz
