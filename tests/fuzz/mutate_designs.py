#!/usr/bin/env python3
"""Runs tsn over randomly mutated copies of the golden designs.

Each run copies one design folder of tests/golden (or the example), damages
one to three of its wirelist, symbol or settings files (words replaced by
record keywords and bus names, lines duplicated, dropped, cut or inserted)
and runs the given tsn binary on it.  A run must end with exit code 0 or 3
and without a sanitizer report or a time-out; failing folders are kept as
fail<N>/ in the work directory.  Use a sanitizer build:

  cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DTSN_SANITIZE=ON -DTSN_TESTS=OFF
  cmake --build build-san -j2 --target tsn catalogs
  tests/fuzz/mutate_designs.py build-san/bin/tsn --runs 1000 --seed 7

With --compare OTHER, each damaged folder is also run with the binary OTHER
(an earlier build, say) in a copy of its own, and the two runs must agree
byte for byte: exit code, standard output and error, and every file made.

With --emit DIR nothing is run: the damaged folders are written as
DIR/m0, DIR/m1, ... (each with its `args` file), for tests that take
designs from here, such as the wirelist writer's round trip.
"""
import argparse
import glob
import os
import random
import shutil
import subprocess

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TOKENS = ["M", "W", "I", "P", "AS", "AP", "API", "AN", "SA", "G", "EW", "DW", "V", "K", "|", "?",
          "`", "=", "[0:3]", "{A,B}2", "PINORDER=A B", "NET_ALIAS=X", "LEVEL=GATE", "DELAY=@TPD*",
          "SIGNAL=GND;A", "$1I1", "A[0:7]", '"', "@", "@@X=1", "LABEL=", "CHOSEN=THIS", "\n", "TOP",
          "INV", "1", "-1", "99999"]


def mutate(rng, text):
    lines = text.split("\n")
    for _ in range(rng.randint(1, 6)):
        op = rng.random()
        i = rng.randrange(len(lines)) if lines else 0
        if op < 0.3 and lines:
            words = lines[i].split(" ")
            words[rng.randrange(len(words))] = rng.choice(TOKENS)
            lines[i] = " ".join(words)
        elif op < 0.5 and lines:
            lines.insert(i, lines[rng.randrange(len(lines))])
        elif op < 0.65 and lines:
            del lines[i]
        elif op < 0.8:
            lines.insert(i, " ".join(rng.choice(TOKENS) for _ in range(rng.randint(1, 6))))
        else:
            lines.insert(i, lines[i][: rng.randint(0, len(lines[i]))] if lines else "")
    return "\n".join(lines)


def outcome(result, folder):
    """Exit code, output, and the files of folder (paths relative to it)."""
    files = {}
    for f in sorted(glob.glob(folder + "/**/*", recursive=True)):
        if os.path.isfile(f):
            with open(f, "rb") as fh:
                files[os.path.relpath(f, folder)] = fh.read().replace(folder.encode(), b"$DIR")
    out = result.stdout.replace(folder.encode(), b"$DIR")
    err = result.stderr.replace(folder.encode(), b"$DIR")
    return result.returncode, out, err, files


def make_mutant(rng, cases, run):
    """Copies a design chosen from cases to run and damages it; its arguments."""
    src = rng.choice(cases)
    shutil.rmtree(run, ignore_errors=True)
    shutil.copytree(src, run, ignore=shutil.ignore_patterns("expected*", "*.tsn", "*.rkg"))
    files = [f for f in glob.glob(run + "/lib/**/*", recursive=True) if os.path.isfile(f)]
    files += [f for f in glob.glob(run + "/*.ini") + glob.glob(run + "/*.var")]
    for f in rng.sample(files, rng.randint(1, min(3, len(files)))):
        with open(f, errors="replace") as fh:
            text = fh.read()
        with open(f, "w") as fh:
            fh.write(mutate(rng, text))
    argv = open(os.path.join(src, "args")).read().split()
    if rng.random() < 0.3:
        argv.append(rng.choice(["-s", "-t", "GATE", "-o"]))
    return src, argv


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("tsn", nargs="?", help="the tsn binary to run (a sanitizer build)")
    ap.add_argument("--runs", type=int, default=200)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--work", default="/tmp/tsn-mutate")
    ap.add_argument("--compare", help="a second tsn binary that must behave identically")
    ap.add_argument("--emit", help="write the damaged folders here instead of running tsn")
    args = ap.parse_args()
    if not args.tsn and not args.emit:
        ap.error("give the tsn binary, or --emit DIR")
    rng = random.Random(args.seed)
    # Cases of the other programs (a `program` file) take other arguments.
    cases = [d for d in glob.glob(os.path.join(ROOT, "tests/golden/*"))
             if os.path.isdir(d + "/lib") and not os.path.exists(d + "/program")]
    cases.append(os.path.join(ROOT, "examples/adder"))
    cases.sort()
    if args.emit:
        for n in range(args.runs):
            run = os.path.join(args.emit, "m%d" % n)
            _, argv = make_mutant(rng, cases, run)
            with open(os.path.join(run, "args"), "w") as fh:
                fh.write("\n".join(argv) + "\n")
        return 0
    tsn = os.path.abspath(args.tsn)
    os.makedirs(args.work, exist_ok=True)
    failures = 0
    for n in range(args.runs):
        run = os.path.join(args.work, "run")
        src, argv = make_mutant(rng, cases, run)
        other = os.path.join(args.work, "other")
        if args.compare:
            shutil.rmtree(other, ignore_errors=True)
            shutil.copytree(run, other)
        env = {"ASAN_OPTIONS": "detect_leaks=0", "UBSAN_OPTIONS": "print_stacktrace=1",
               "PATH": "/usr/bin:/bin", "WDIR": run}
        try:
            r = subprocess.run([tsn] + argv, cwd=run, capture_output=True, timeout=60, env=env)
            err = r.stderr.decode(errors="replace")
            bad = r.returncode not in (0, 3) or "runtime error" in err or "Sanitizer" in err
            if not bad and args.compare:
                env["WDIR"] = other
                o = subprocess.run([os.path.abspath(args.compare)] + argv, cwd=other,
                                   capture_output=True, timeout=60, env=env)
                diff = outcome(r, run) != outcome(o, other)
                if diff:
                    bad, err = True, "differs from %s" % args.compare
        except subprocess.TimeoutExpired:
            bad, err = True, "time-out"
        if bad:
            failures += 1
            keep = os.path.join(args.work, "fail%d" % n)
            shutil.rmtree(keep, ignore_errors=True)
            shutil.copytree(run, keep)
            print("run %d (%s): %s" % (n, os.path.relpath(src, ROOT), err[-2000:]))
    print("%d runs, %d failures" % (args.runs, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    raise SystemExit(main())
