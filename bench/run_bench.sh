#!/usr/bin/env bash
# bench/run_bench.sh - times whole tsn runs on a ladder of generated designs.
#
# Builds a release tsn in build-release/, writes the designs with
# bench/gen_shape.py (hierarchical with reuse: 10K, 100K and 1M leaf
# occurrences; flat: 10K and 100K components on one sheet), runs tsn in the
# long and the short format on each and prints one table row per run:
#
#   wall s     best wall-clock time of REPEAT runs (date around /usr/bin/time)
#   peak MB    maximum resident set size of that run (/usr/bin/time -v)
#   out MB     size of the netlist written
#   comp/s     component occurrences written per second
#   floor s    the I/O floor of the same run: read every input file with
#              cat, write a file of the netlist's size with dd
#   x floor    wall s / floor s
#
# The case hier1md is hier1m with a delay table annotating 1% of its leaf
# occurrences (gen_shape.py --dtb 1); it runs in each format without and
# with the table ("long+d", "short+d": -d top).
#
# Progress lines go to standard error and are thrown away.  Run by hand,
# not by CI.  Environment: BENCH_DIR (designs and outputs, default
# /tmp/tsn-bench), REPEAT (runs per cell, default 3), LADDER (a subset of
# the case names below, blank-separated), TSN (a tsn binary to time instead
# of building one: an earlier build, to compare in the same session), and
# TSN_NO_SHORTCUTS (passed on to tsn; see bench/README.md).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bench_dir=${BENCH_DIR:-/tmp/tsn-bench}
repeat=${REPEAT:-3}
ladder=${LADDER:-"hier10k hier100k hier1m flat10k flat100k"}

if [ -n "${TSN:-}" ]; then
  tsn=$(cd "$(dirname "$TSN")" && pwd)/$(basename "$TSN")
else
  cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DTSN_TESTS=OFF >/dev/null
  cmake --build "$root/build-release" -j2 --target tsn catalogs >/dev/null
  tsn=$root/build-release/bin/tsn
fi
# shellcheck source=bench/shapes.sh
. "$root/bench/shapes.sh"

# Seconds of the fastest of $repeat runs of the I/O floor of a design.
io_floor() {
  local dir=$1 bytes=$2 best="" t0 t1 t
  for _ in $(seq "$repeat"); do
    sync
    t0=$(now)
    find "$dir/lib" "$dir/drafta.ini" "$dir/top.var" -type f -exec cat {} + >/dev/null
    dd if=/dev/zero of="$dir/floor.out" bs=1M count="$bytes" iflag=count_bytes status=none
    t1=$(now)
    t=$(echo "$t1 - $t0" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  rm -f "$dir/floor.out"
  echo "$best"
}

printf '%-10s %-6s %8s %8s %8s %12s %8s %8s\n' case format "wall s" "peak MB" "out MB" "comp/s" \
  "floor s" "x floor"
for name in $ladder; do
  dir=$bench_dir/$name
  # shellcheck disable=SC2046
  python3 "$root/bench/gen_shape.py" --out "$dir" $(gen_args "$name") >/dev/null
  formats="long short"
  # A case with a delay table runs with and without it ("+d": -d top).
  [ -f "$dir/top.dtb" ] && formats="long long+d short short+d"
  for format in $formats; do
    flag=-h
    case $format in short*) flag=-s ;; esac
    dtb=""
    case $format in *+d) dtb="-d top" ;; esac
    best="" best_rss=""
    for _ in $(seq "$repeat"); do
      # /usr/bin/time reports hundredths of a second: the wall time is
      # taken around it instead (its own start-up is a millisecond).  The
      # dirty pages of the last run are written back first, here and
      # before each floor run, so that neither pays for the other's.
      sync
      t0=$(now)
      # shellcheck disable=SC2086
      (cd "$dir" && /usr/bin/time -v "$tsn" top "$flag" $dtb >"$dir/stdout" 2>"$dir/time.txt") || true
      t1=$(now)
      grep -q '^Exit status: 0' <(sed 's/^\s*//' "$dir/time.txt") || {
        echo "tsn failed on $name ($format); see $dir/time.txt" >&2
        exit 1
      }
      wall=$(echo "$t1 - $t0" | bc)
      rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time.txt")
      if [ -z "$best" ] || [ "$(echo "$wall < $best" | bc)" = 1 ]; then
        best=$wall
        best_rss=$rss
      fi
    done
    bytes=$(stat -c %s "$dir/top.tsn")
    modules=$(sed -n 's/^ *\([0-9]*\) module(s).*/\1/p' "$dir/stdout")
    floor=$(io_floor "$dir" "$bytes")
    rate=$(echo "$modules / $best" | bc)
    ratio=$(echo "scale=1; if ($floor > 0) $best / $floor else 0" | bc)
    printf '%-10s %-6s %8.3f %8.1f %8.1f %12d %8.3f %8.1f\n' "$name" "$format" "$best" \
      "$(echo "scale=1; $best_rss / 1024" | bc)" "$(echo "scale=1; $bytes / 1048576" | bc)" \
      "$rate" "$floor" "$ratio"
  done
done
