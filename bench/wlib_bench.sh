#!/usr/bin/env bash
# bench/wlib_bench.sh - times wlib check and wlib rewrite against a tsn run
# on the same generated designs.
#
# Builds release binaries in build-release/, writes the designs with
# bench/gen_shape.py (default: hier1m, a million leaf occurrences of three
# small groups, and flat100k, one sheet of 100,000 components) and prints
# one row per program and design:
#
#   wall s    best wall-clock time of REPEAT runs
#   cpu s     best user+system time of REPEAT runs (less disturbed than the
#             wall time on a shared machine)
#   peak MB   maximum resident set size of the run with the best wall time
#   x tsn     wall s / the wall s of tsn (long format) on the same design
#
# Every rewrite starts from the generated files (restored before the run,
# outside the timing), and dirty pages are written back before each run.
# Run by hand, not by CI.  Environment: BENCH_DIR (default
# /tmp/tsn-bench), REPEAT (default 5), LADDER (case names, as in
# run_bench.sh).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bench_dir=${BENCH_DIR:-/tmp/tsn-bench}
repeat=${REPEAT:-5}
ladder=${LADDER:-"hier1m flat100k"}

cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DTSN_TESTS=OFF >/dev/null
cmake --build "$root/build-release" -j2 --target tsn wlib catalogs >/dev/null
bin=$root/build-release/bin
# shellcheck source=bench/shapes.sh
. "$root/bench/shapes.sh"

# Times the command in cmd, in $dir, REPEAT times (for rewrite, each from
# the generated files); sets best_wall, best_cpu, best_rss.
measure() {
  best_wall="" best_cpu="" best_rss=""
  for _ in $(seq "$repeat"); do
    if [ "$1" = rewrite ]; then rm -rf "$dir/lib" && cp -a "$dir/lib.orig" "$dir/lib"; fi
    sync
    t0=$(now)
    (cd "$dir" && /usr/bin/time -f "%U %S %M" -o "$dir/time.txt" "${cmd[@]}" >/dev/null 2>&1) || {
      echo "${cmd[*]} failed on $name" >&2
      exit 1
    }
    t1=$(now)
    wall=$(echo "$t1 - $t0" | bc)
    read -r user sys rss <"$dir/time.txt"
    cpu=$(echo "$user + $sys" | bc)
    if [ -z "$best_wall" ] || [ "$(echo "$wall < $best_wall" | bc)" = 1 ]; then
      best_wall=$wall
      best_rss=$rss
    fi
    if [ -z "$best_cpu" ] || [ "$(echo "$cpu < $best_cpu" | bc)" = 1 ]; then best_cpu=$cpu; fi
  done
}

printf '%-10s %-8s %8s %8s %8s %6s\n' case program "wall s" "cpu s" "peak MB" "x tsn"
for name in $ladder; do
  dir=$bench_dir/wlib-$name
  rm -rf "$dir"
  # shellcheck disable=SC2046
  python3 "$root/bench/gen_shape.py" --out "$dir" $(gen_args "$name") >/dev/null
  cp -a "$dir/lib" "$dir/lib.orig"
  tsn_wall=""
  for what in tsn check rewrite; do
    case $what in
      tsn) cmd=("$bin/tsn" top -e 0) ;;
      check) cmd=("$bin/wlib" check top) ;;
      rewrite) cmd=("$bin/wlib" rewrite top) ;;
    esac
    measure "$what"
    [ "$what" = tsn ] && tsn_wall=$best_wall
    printf '%-10s %-8s %8.3f %8.3f %8.1f %6.2f\n' "$name" "$what" "$best_wall" "$best_cpu" \
      "$(echo "scale=1; $best_rss / 1024" | bc)" "$(echo "scale=2; $best_wall / $tsn_wall" | bc)"
  done
done
