#!/usr/bin/env bash
# bench/run_lists.sh - times tsn on designs with one very long list.
#
# Writes each shape of bench/gen_lists.py (long attribute lists of every
# kind, many ports, many sheets, a wide component) and prints the best
# wall-clock and the best CPU time (user + system) of REPEAT runs of the
# whole program, with the exit code and the size of the log it wrote.  A
# cost that grows with the length of a list shows as a time that grows
# fourfold when N doubles.  Run by hand, not by CI.
#
# Environment: TSN (the program, default build/bin/tsn), BENCH_DIR (default
# /tmp/tsn-lists), REPEAT (default 3), N (list length, default 100000),
# SHEETS (sheets of the "sheets" shape, default 30000), SHAPES (a subset).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tsn=${TSN:-$root/build/bin/tsn}
bench_dir=${BENCH_DIR:-/tmp/tsn-lists}
repeat=${REPEAT:-3}
n=${N:-100000}
sheets=${SHEETS:-30000}
shapes=${SHAPES:-"sa an as ap appins api iatts pins block ports sheets"}

printf '%-8s %8s %8s %8s %6s %10s\n' shape N "wall s" "cpu s" exit "log bytes"
for shape in $shapes; do
  dir=$bench_dir/$shape
  count=$n
  [ "$shape" = sheets ] && count=$sheets
  # The fault-simulation records look every pin of a component up by its
  # position, the short format asks of every port of a block whether
  # another port shares its net; the other shapes are written plainly.
  opts="-e 0"
  [ "$shape" = pins ] && opts="-t -e 0"
  [ "$shape" = block ] && opts="-s -e 0"
  python3 "$root/bench/gen_lists.py" --out "$dir" "$shape" --n "$count"
  best="" best_cpu="" code=0
  for _ in $(seq "$repeat"); do
    code=0
    # shellcheck disable=SC2086
    (cd "$dir" && /usr/bin/time -f "%e %U %S" -o "$dir/time.txt" "$tsn" top $opts >/dev/null 2>&1) ||
      code=$?
    read -r wall user sys <"$dir/time.txt"
    cpu=$(echo "$user + $sys" | bc)
    if [ -z "$best" ] || [ "$(echo "$wall < $best" | bc)" = 1 ]; then best=$wall; fi
    if [ -z "$best_cpu" ] || [ "$(echo "$cpu < $best_cpu" | bc)" = 1 ]; then best_cpu=$cpu; fi
  done
  log=0
  [ -f "$dir/top.rkg" ] && log=$(stat -c %s "$dir/top.rkg")
  printf '%-8s %8d %8.2f %8.2f %6d %10d\n' "$shape" "$count" "$best" "$best_cpu" "$code" "$log"
done
