#!/usr/bin/env python3
"""Runs tsn over randomly mutated copies of the golden designs.

Each run copies one design folder of tests/golden (or the example), damages
one to three of its wirelist, symbol, settings or delay-table files (words
replaced by record keywords and bus names, lines duplicated, dropped, cut or
inserted; drafta.ini, tsn.ini and .var files too, made up when the design has
none), sometimes puts a damaged message catalog in the folder (a catalog source
whose texts got stray conversions such as %n, compiled with the rkmsgcmp
beside tsn, or a compiled catalog with bytes changed or cut off), and
sometimes turns a file into a FIFO, a directory or a link to /dev/zero.
It runs the given tsn binary on it.  A run must end with exit code 0 or 3
and without a sanitizer report or a time-out; failing folders are kept as
fail<N>/ in the work directory.  Use a sanitizer build:

  cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DTSN_SANITIZE=ON -DTSN_TESTS=OFF
  cmake --build build-san -j2 --target tsn catalogs
  tests/fuzz/mutate_designs.py build-san/bin/tsn --runs 1000 --seed 7

With --compare OTHER, each damaged folder is also run with the binary OTHER
(an earlier build, say) in a copy of its own, and the two runs must agree
byte for byte: exit code, standard output and error, and every file made.

With --wlib WLIB, every run first hands the damaged design to `wlib edit`
with a made-up script: commands built from the names in the design's
wirelists (create, connect, disconnect, rename, set, unset, delete, save),
some of them damaged (unknown commands, words dropped, names of thousands
of characters, bytes that are not text, lines longer than a script line
may be).  wlib must end with 0, 1 or 3, without a sanitizer report or a
time-out and without leaving a temporary file, and when it does not end
with 0 every file of the design must be as it was.  tsn then runs on what
the edit left.

With --emit DIR nothing is run: the folders with damaged design files
(no damaged catalogs, no special files) are written as DIR/m0, DIR/m1,
... (each with its `args` file), for tests that take designs from here,
such as the wirelist writer's round trip.
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


# Made-up settings files for designs that have none.
INI_LINES = ["FILTER DELAY", "INCLUDE LABEL", "LEVEL UNION", "LEVEL OVERRIDE", "ANALOG ON",
             "ANALOG OFF", "SPAWN ACCEL=FAST vhdlnet", "FILTER", "INCLUDE", "| comment", "BOGUS 1"]
VAR_LINES = ["@TPD = 3", "@@TPD=4", "@A = @B", "@B = @A", "@X = 1e308*10", "@Y = (1", "@ = 2",
             "@Z = \"abc\"", "@TPD"]
DRAFTA_LINES = ["DIR [p] lib", "DIR [r] lib (LIB2)", "DIR [x] lib", "OATS 1", "DIR", "DIR [p] nowhere"]
# Conversions a damaged catalog text may gain.
CONVERSIONS = ["%n", "%s", "%d", "%ld", "%5$s", "%*d", "%f", "%%", "%c", "%1$s %s", "%", "%129$d",
               "%hhn", "%p", "%S"]
CATALOGS = ["tsn", "nodex", "rklib", "pxlib"]


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


def damage_catalog(rng, run, tsn):
    """Puts a damaged copy of one catalog in the design folder."""
    name = rng.choice(CATALOGS)
    target = os.path.join(run, name + ".vmb")
    if rng.random() < 0.6:
        with open(os.path.join(ROOT, "catalogs", name + ".h")) as fh:
            lines = fh.read().split("\n")
        texts = [i for i, l in enumerate(lines) if l.startswith("#define") and '/* "' in l]
        for i in rng.sample(texts, rng.randint(1, min(3, len(texts)))):
            start = lines[i].index('/* "') + 4
            end = lines[i].index('"', start)
            at = rng.randint(start, end)
            lines[i] = lines[i][:at] + rng.choice(CONVERSIONS) + lines[i][at:]
        source = os.path.join(run, name + ".h")
        with open(source, "w") as fh:
            fh.write("\n".join(lines))
        compiler = os.path.join(os.path.dirname(tsn), "rkmsgcmp")
        subprocess.run([compiler, source, target], capture_output=True)
        os.remove(source)
    else:
        with open(os.path.join(os.path.dirname(tsn), name + ".vmb"), "rb") as fh:
            data = bytearray(fh.read())
        if rng.random() < 0.3:
            data = data[: rng.randrange(len(data))]
        for _ in range(rng.randint(1, 8)):
            if data:
                data[rng.randrange(len(data))] = rng.randrange(256)
        with open(target, "wb") as fh:
            fh.write(data)


def special_file(rng, path):
    """Replaces a file by something that is not a regular file."""
    os.remove(path)
    kind = rng.choice(["fifo", "dir", "zero"])
    if kind == "fifo":
        os.mkfifo(path)
    elif kind == "dir":
        os.mkdir(path)
    else:
        os.symlink("/dev/zero", path)


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


def remove(path):
    """Removes a folder that may hold FIFOs and links."""
    if os.path.lexists(path):
        subprocess.run(["rm", "-rf", path])


def copy_plain(src, dst):
    """Copies a file, leaving out what cannot be read as one (a FIFO)."""
    if os.path.isfile(src) or os.path.islink(src):
        shutil.copy2(src, dst, follow_symlinks=False)


SCRIPT_VERBS = ["create", "connect", "disconnect", "rename", "set", "unset", "delete", "save",
                "CONNECT", "renmae", "", "#", "|"]


def design_names(run):
    """Group, component and net names seen in the design's wirelists."""
    groups, comps, nets = {"TOP"}, {"U1"}, {"N1"}
    for f in glob.glob(run + "/lib/wir/*"):
        # Damage turns files into FIFOs and links to /dev/zero: only plain
        # files are read, and only their start.
        if os.path.islink(f) or not os.path.isfile(f):
            continue
        try:
            with open(f, errors="replace") as fh:
                for line in fh.read(1 << 20).splitlines():
                    w = line.split()
                    if len(w) >= 3 and w[0] in ("M", "W"):
                        groups.add(w[1])
                        comps.add(w[2])
                    elif len(w) >= 3 and w[0] == "I":
                        nets.update(x.split("`")[0] for x in w[3:] if "=" not in x)
                    elif len(w) >= 2 and w[0] == "DW":
                        groups.add(w[1])
        except OSError:
            pass
    return sorted(groups), sorted(comps), sorted(n for n in nets if n)


def make_script(rng, run):
    """A made-up edit script for the design in run, as bytes."""
    groups, comps, nets = design_names(run)
    name = lambda pool: rng.choice(pool + ["A", "IN", "Y", "?", "'", "1", "X[0:3]"])
    obj = lambda: rng.choice([
        "component %s %s" % (name(groups), name(comps)), "net %s %s" % (name(groups), name(nets)),
        "pin %s %s %s" % (name(groups), name(comps), name(["A", "B", "Y", "I", "O"])),
        "sheet %s %s" % (name(groups), rng.choice(["1", "2", "0", "x"])),
        "symbol %s" % name(groups), "port %s %s" % (name(groups), name(nets))])
    lines = []
    for _ in range(rng.randint(1, 8)):
        verb = rng.choice(SCRIPT_VERBS)
        words = {
            "create": [name(groups), rng.choice(["1", "2", "0", "40000"]), name(groups), name(comps)],
            "connect": [name(groups), name(comps), name(["A", "B", "Y", "I"]), name(nets)],
            "disconnect": [name(groups), name(comps), name(["A", "B", "Y", "I"])],
            "rename": [rng.choice(["net", "component", "sheet"]), name(groups), name(nets + comps),
                       name(nets + comps)],
            "set": [obj(), name(["DELAY", "LABEL", "PINTYPE", "X"]), rng.choice(["1", "two words", "`", ""])],
            "unset": [obj(), name(["DELAY", "LABEL", "X"])],
            "delete": ["component", name(groups), name(comps)],
            "save": rng.choice([[], [name(groups)]]),
        }.get(verb.lower(), [name(nets)])
        line = " ".join([verb] + words)
        damage = rng.random()
        if damage < 0.08:
            line = " ".join(line.split()[:-1])
        elif damage < 0.12:
            line = line + " " + "N" * rng.choice([255, 256, 10000])
        elif damage < 0.14:
            line = "set net TOP N1 V " + "x" * 25000
        lines.append(line.encode())
        if rng.random() < 0.05:
            lines.append(bytes(rng.randrange(256) for _ in range(rng.randint(1, 40))))
    if rng.random() < 0.7:
        lines.append(b"save")
    return b"\n".join(lines) + (b"\n" if rng.random() < 0.9 else b"")


def design_files(folder):
    """The contents of every regular file below folder's libraries."""
    files = {}
    for f in sorted(glob.glob(folder + "/*/**/*", recursive=True)):
        if os.path.isfile(f) and not os.path.islink(f):
            with open(f, "rb") as fh:
                files[os.path.relpath(f, folder)] = fh.read()
    return files


def run_edit(rng, wlib, run, argv, env):
    """Runs wlib edit with a made-up script; the failure, or None."""
    with open(os.path.join(run, "edit.scr"), "wb") as fh:
        fh.write(make_script(rng, run))
    before = design_files(run)
    r = subprocess.run([wlib, "edit", argv[0], "edit.scr"], cwd=run, capture_output=True,
                       timeout=60, env=env)
    err = r.stderr.decode(errors="replace") + r.stdout.decode(errors="replace")[-1000:]
    if r.returncode not in (0, 1, 3) or "runtime error" in err or "Sanitizer" in err:
        return "wlib edit: exit %d %s" % (r.returncode, err)
    if glob.glob(run + "/**/.tsn-*", recursive=True):
        return "wlib edit left a temporary file"
    if r.returncode != 0 and design_files(run) != before:
        return "wlib edit changed files though it ended with %d: %s" % (r.returncode, err)
    return None


def make_mutant(rng, cases, run, tsn):
    """Copies a design chosen from cases to run and damages it; the case and
    its arguments.  Without tsn only design files are damaged."""
    src = rng.choice(cases)
    remove(run)
    shutil.copytree(src, run, ignore=shutil.ignore_patterns("expected*", "*.tsn", "*.rkg"))
    for name, pool in (("tsn.ini", INI_LINES), ("top.var", VAR_LINES)):
        if not os.path.exists(os.path.join(run, name)) and rng.random() < 0.2:
            with open(os.path.join(run, name), "w") as fh:
                fh.write("\n".join(rng.choice(pool) for _ in range(rng.randint(1, 5))) + "\n")
    if rng.random() < 0.1:
        with open(os.path.join(run, "drafta.ini"), "a") as fh:
            fh.write(rng.choice(DRAFTA_LINES) + "\n")
    files = [f for f in glob.glob(run + "/lib/**/*", recursive=True) if os.path.isfile(f)]
    files += [f for f in glob.glob(run + "/*.ini") + glob.glob(run + "/*.var") + glob.glob(run + "/*.dtb")]
    for f in rng.sample(files, rng.randint(1, min(3, len(files)))):
        with open(f, errors="replace") as fh:
            text = fh.read()
        with open(f, "w") as fh:
            fh.write(mutate(rng, text))
    if tsn and rng.random() < 0.25:
        damage_catalog(rng, run, tsn)
    if tsn and rng.random() < 0.05:
        special_file(rng, rng.choice(files))
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
    ap.add_argument("--wlib", help="a wlib binary: each run first edits the design with a script")
    args = ap.parse_args()
    if not args.tsn and not args.emit:
        ap.error("give the tsn binary, or --emit DIR")
    if args.compare and args.wlib:
        ap.error("--compare runs designs as they were damaged; leave out --wlib")
    rng = random.Random(args.seed)
    # Cases of the other programs (a `program` file) take other arguments.
    cases = [d for d in glob.glob(os.path.join(ROOT, "tests/golden/*"))
             if os.path.isdir(d + "/lib") and os.path.exists(d + "/args")
             and not os.path.exists(d + "/program")]
    cases.append(os.path.join(ROOT, "examples/adder"))
    cases.sort()
    if args.emit:
        for n in range(args.runs):
            run = os.path.join(args.emit, "m%d" % n)
            _, argv = make_mutant(rng, cases, run, None)
            with open(os.path.join(run, "args"), "w") as fh:
                fh.write("\n".join(argv) + "\n")
        return 0
    tsn = os.path.abspath(args.tsn)
    os.makedirs(args.work, exist_ok=True)
    nobin = os.path.join(args.work, "nobin")
    os.makedirs(nobin, exist_ok=True)
    failures = 0
    for n in range(args.runs):
        run = os.path.join(args.work, "run")
        src, argv = make_mutant(rng, cases, run, tsn)
        other = os.path.join(args.work, "other")
        if args.compare:
            remove(other)
            shutil.copytree(run, other, symlinks=True)
        # Damaged settings and designs make up commands (SPAWN directives
        # with group names, translator runs): PATH finds no program at all,
        # so each of them fails as "not found" instead of running whatever
        # a random word happens to name.
        env = {"ASAN_OPTIONS": "detect_leaks=0", "UBSAN_OPTIONS": "print_stacktrace=1",
               "PATH": nobin, "WDIR": run}
        try:
            edit_failure = None
            if args.wlib:
                edit_failure = run_edit(rng, os.path.abspath(args.wlib), run, argv, env)
            r = subprocess.run([tsn] + argv, cwd=run, capture_output=True, timeout=60, env=env)
            err = r.stderr.decode(errors="replace")
            bad = r.returncode not in (0, 3) or "runtime error" in err or "Sanitizer" in err
            if edit_failure:
                bad, err = True, edit_failure
            if not bad and glob.glob(run + "/**/.tsn-*", recursive=True):
                bad, err = True, "a temporary file was left behind"
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
            remove(keep)
            shutil.copytree(run, keep, symlinks=True, ignore_dangling_symlinks=True,
                            copy_function=copy_plain)
            print("run %d (%s): %s" % (n, os.path.relpath(src, ROOT), err[-2000:]))
    print("%d runs, %d failures" % (args.runs, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    raise SystemExit(main())
