// bench/benchutil.h - what the database benchmarks share.
#pragma once

#include <benchmark/benchmark.h>

#include "store/prj.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwsession.h"

namespace bench {

/// Starts a fresh database session in the current directory (the timing is
/// paused by the caller): false, with the benchmark marked as skipped, when
/// the database cannot start.
inline bool StartDatabase(benchmark::State& state) {
  iwsession_reset();
  prjReset();
  if (!iwinit()) {
    state.SkipWithError("the database cannot start");
    return false;
  }
  iwchktime();
  iwstatmode(0);
  return true;
}

}  // namespace bench
