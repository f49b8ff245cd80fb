# bench/shapes.sh - the named designs of the timing scripts, sourced by
# run_bench.sh and wlib_bench.sh.
#
# gen_args NAME prints the bench/gen_shape.py arguments of a case:
# hierNN is three levels of one reused block (about NN leaf occurrences),
# flatNN one sheet of NN components; hier1md is hier1m with a delay table
# annotating 1% of its leaf occurrences.  now prints the time in seconds.

gen_args() {
  case $1 in
    hier1k) echo "hier --k 10" ;;
    hier10k) echo "hier --k 22" ;;
    hier100k) echo "hier --k 47" ;;
    hier1m) echo "hier --k 100" ;;
    hier1md) echo "--dtb 1 hier --k 100" ;;
    flat10k) echo "flat --n 10000 --sheets 1" ;;
    flat100k) echo "flat --n 100000 --sheets 1" ;;
    *) echo "unknown case $1" >&2; exit 2 ;;
  esac
}

now() { date +%s.%N; }
