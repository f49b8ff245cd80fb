// bench/model_bench.cc - hot paths of loading a large design.
//
// Interning names, inserting attributes into sorted lists and expanding
// wide buses.  Run: build-bench/bin/tsn_bench [--benchmark_filter=...].
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "util/rkbus.h"
#include "wirelist/iwname.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwsession.h"

namespace {

std::vector<std::string> Names(int n, bool shuffled) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(n));
  char buf[32];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "$1N%d", i);
    names.emplace_back(buf);
  }
  if (shuffled) std::shuffle(names.begin(), names.end(), std::mt19937(1));
  return names;
}

// One million distinct names, in ascending or shuffled order, then each
// looked up once more.
void BM_InternMillionNames(benchmark::State& state) {
  std::vector<std::string> names = Names(1000000, state.range(0) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    iwsession_reset();
    state.ResumeTiming();
    for (const std::string& n : names) benchmark::DoNotOptimize(iwmkname(n.c_str()));
    for (const std::string& n : names) benchmark::DoNotOptimize(iwmkname(n.c_str()));
  }
  state.SetItemsProcessed(state.iterations() * 2 * static_cast<long>(names.size()));
}
BENCHMARK(BM_InternMillionNames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// n attributes into one list: distinct names in shuffled order, or one
// name with ascending values (one SIGNAL per bit of a bus).
void BM_AttributeInsert(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  bool same_name = state.range(1) != 0;
  std::vector<std::string> names = Names(n, true);
  for (auto _ : state) {
    state.PauseTiming();
    iwsession_reset();
    std::vector<IwAtt*> atts;
    for (int i = 0; i < n; ++i) {
      const std::string& s = names[static_cast<std::size_t>(i)];
      atts.push_back(same_name ? iwmkatt("SIGNAL", ("GND;D" + std::to_string(i)).c_str())
                               : iwmkatt(s.c_str(), "1"));
    }
    state.ResumeTiming();
    IwAtt* list = nullptr;
    for (IwAtt* a : atts) list = iwaddatt(list, a);
    benchmark::DoNotOptimize(list);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AttributeInsert)
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({1000, 1})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

// Every name of a 65535-wide bus, its width, and a subset test of two
// such buses.
void BM_BusExpand65535(benchmark::State& state) {
  const char* name = "DATA[-32767:32767]";
  char buf[64];
  for (auto _ : state) {
    long n = 0;
    for (RkBusState* st = nullptr; (st = rkBusExpand(st, name, buf, sizeof buf)) != nullptr;) ++n;
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(state.iterations() * 65535);
}
BENCHMARK(BM_BusExpand65535)->Unit(benchmark::kMillisecond);

void BM_BusWidth65535(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rkBusExpandWidth("DATA[0:255]B[0:254]"));
}
BENCHMARK(BM_BusWidth65535);

void BM_BusSubset65535(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(rkBusExpandSubset("DATA[-32767:32767]", "DATA[32767:-32767]"));
}
BENCHMARK(BM_BusSubset65535)->Unit(benchmark::kMillisecond);

}  // namespace
