// bench/iwgroup_bench.cc - loading a whole generated design, and the
// alias pass on one group with many aliases.
//
// Times iwgroup on the design folder named by TSN_DESIGN (written by
// bench/gen_design.py): reading every sheet, the canonical order and the
// alias pass.  Start-up of the database is not timed.  Run:
//   bench/gen_design.py --out /tmp/d --depth 4 --fanout 10 --leaves 9
//   export TSN_DESIGN=/tmp/d
//   /usr/bin/time -v build-bench/bin/tsn_bench --benchmark_filter=LoadDesign
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <string>

#include "bench/benchutil.h"
#include "store/prj.h"
#include "store/pxlib.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwalias.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwsession.h"

namespace {

void BM_LoadDesign(benchmark::State& state) {
  const char* dir = std::getenv("TSN_DESIGN");
  if (!dir || chdir(dir) != 0) {
    state.SkipWithError("TSN_DESIGN names no design folder");
    return;
  }
  pxReset();
  pxFindCatalogs();
  long groups = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (!bench::StartDatabase(state)) return;
    state.ResumeTiming();
    if (!iwgroup("TOP")) {
      state.SkipWithError("the design did not load");
      return;
    }
    state.PauseTiming();
    groups = 0;
    for (IwGrp* g = iws.grpref; g; g = g->next) ++groups;
    state.ResumeTiming();
  }
  state.counters["groups"] = static_cast<double>(groups);
  state.counters["components"] = static_cast<double>(iwcompcount());
  state.counters["nets"] = static_cast<double>(iwnetcount());
  iwsession_reset();
}
BENCHMARK(BM_LoadDesign)->Iterations(1)->Unit(benchmark::kMillisecond);

void Quiet(void*, const char*, va_list) {}

// One group of n nets, aliased as one chain (arg 1 = 0: N0 -> N1 -> ...,
// one set of n members), as n/2 pairs (1), or as n/8 pairs of 8-bit buses
// each with a sub-bus alias that the bus aliases carry over to (2).
void BM_AliasPass(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  int shape = static_cast<int>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    iwsession_reset();
    iwopenmsg(nullptr);
    iwregmsghndlr(Quiet, nullptr);
    IwGrp* g = iwmakgrp("G");
    auto name = [](const char* stem, int k) { return std::string(stem) + std::to_string(k); };
    for (int k = 0; k < n; ++k) {
      IwNet* net = nullptr;
      if (shape == 0) {
        net = iwmknet(name("N", k).c_str(), g);
        if (k + 1 < n) net->atts = iaaddatt(net->atts, "NET_ALIAS", name("N", k + 1).c_str());
      } else if (shape == 1) {
        net = iwmknet(name("N", k).c_str(), g);
        if (k % 2 == 0) net->atts = iaaddatt(net->atts, "NET_ALIAS", name("N", k + 1).c_str());
      } else if (k % 8 == 0) {
        net = iwmknet((name("A", k) + "[0:7]").c_str(), g);
        net->atts = iaaddatt(net->atts, "NET_ALIAS", (name("B", k) + "[0:7]").c_str());
        net = iwmknet((name("A", k) + "[2:3]").c_str(), g);
        net->atts = iaaddatt(net->atts, "NET_ALIAS", (name("C", k) + "[0:1]").c_str());
      }
    }
    state.ResumeTiming();
    iwfix_aliases();
  }
  state.counters["nets left"] = static_cast<double>([] {
    long c = 0;
    for (IwNet* net = iws.grpref ? iws.grpref->nets : nullptr; net; net = net->next) ++c;
    return c;
  }());
  iwsession_reset();
}
BENCHMARK(BM_AliasPass)
    ->Args({2000, 0})
    ->Args({20000, 0})
    ->Args({2000, 1})
    ->Args({20000, 1})
    ->Args({2000, 2})
    ->Args({20000, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
