#!/bin/sh
# tests/fuzz/run.sh SECONDS [TARGET...] - builds the fuzz targets with
# clang and runs each (or the named ones: wirelist, symbol, busexp, dtb) for
# SECONDS seconds, one after another, starting from the seed
# corpus in tests/fuzz/corpus/<target>/.  New inputs go to a scratch
# corpus under the build directory, so the seeds in the tree stay small.
# Any crash, leak, time-out or sanitizer report stops the script with a
# non-zero status; the failing input is left in build-fuzz/artifacts/.
set -eu
seconds=${1:?usage: tests/fuzz/run.sh SECONDS [TARGET...]}
shift
targets=${*:-wirelist symbol busexp dtb}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build-fuzz

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DTSN_FUZZ=ON -DTSN_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target wirelist_fuzz symbol_fuzz busexp_fuzz dtb_fuzz >/dev/null

mkdir -p "$build/artifacts"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for target in $targets; do
  work=$build/corpus/$target
  mkdir -p "$work"
  echo "== $target: $seconds s"
  "$build/bin/${target}_fuzz" "$work" "$here/corpus/$target" \
    -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 2>"$build/$target.log" || {
    tail -n 60 "$build/$target.log"
    exit 1
  }
  grep -E "DONE|stat::number_of_executed_units|stat::peak_rss_mb" "$build/$target.log"
done
