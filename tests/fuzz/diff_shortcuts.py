#!/usr/bin/env python3
"""Checks the writers' shortcuts against their general path on random designs.

Each run writes a random design of one of several shapes (a tree of blocks
placed many times, one flat sheet, a deep chain of single blocks, one block
placed many times under paths of many lengths), netlists it twice with the
given tsn binary, once as users run it and once with TSN_NO_SHORTCUTS=1
(every shortcut off; in one run of three only a random few of them, so that
each shortcut is also met without the others), and requires the two runs
to agree byte for byte: exit code, standard output and error, and every
file made.  The designs mix what the shortcuts
must get right: variables defined on instances at every depth and used in
values, delays on blocks and gates, models named through variables, analog
components, bottom levels, net attributes and aliases, global nets, joined
ports, records long enough to wrap and names too long to write, and, in
some runs, a delay table that annotates a few occurrences (attributes and
variables of components, net attributes, pin delays), and in some an
occurrence-attribute file read with -o (the same kinds of entries, named
by instance paths), which the shortcuts must leave to the general path
where they reach.  A folder
whose runs differ is kept as fail<N>/ in the work directory.

  tests/fuzz/diff_shortcuts.py build/bin/tsn --runs 300 --seed 1
"""
import argparse
import os
import random
import shutil
import subprocess

from mutate_designs import outcome

GATES = {"ND2": ["A", "B", "Y"], "INV": ["A", "Y"], "DFF": ["D", "CK", "Q"],
         "ND4": ["A", "B", "C", "D", "Y"]}
PORTS = ["I", "O", "CK", "D[0:3]"]
SHAPES = ["tree", "flat", "chain", "wide"]
SHORTCUTS = ["census", "plans", "bytes", "blocks", "quiet", "values", "paths", "ports", "scopes",
             "indexes"]


def symbol(symtype, pins, atts=()):
    lines = ["V 5.0", "| Generated symbol.", "Y %d" % symtype,
             "U 0 0 0 0 0 0 PINORDER=" + " ".join(pins)]
    lines += ["U 0 0 0 0 0 0 " + a for a in atts]
    for p in pins:
        lines += ["P 0 0 0 0 0 0 0", "L 0 0 0 0 0 0 0 0 " + p]
    return lines + ["E"]


def annotation(rng, head, comps, nets, note, pin_delays):
    """Lines of a delay table or an occurrence-attribute file (the two share
    their entries): head, then a few component, net and pin entries, then
    the block's end."""
    lines = list(head)
    for _ in range(rng.randint(1, 6)):
        r = rng.random()
        comp, pins = rng.choice(comps)
        if r < 0.35:
            lines += ["C " + comp, "A " + rng.choice(["PWR=HIGH", "SIZE=@W", note])]
        elif r < 0.5 and pins is None:
            lines += ["C " + comp, "A @DRIVE=%d" % rng.randint(1, 9)]
        elif r < 0.75 and nets:
            lines += ["N " + rng.choice(nets), "A CAP=%d" % rng.randint(1, 9)]
        elif pins:
            lines += ["P %s\\%s" % (comp, rng.choice(pins))] + pin_delays
    return lines + [".AB"]


class Design:
    """A random design: groups of parts (child blocks or gates) chained
    from port I to port O, with clock, bus and global nets beside."""

    def __init__(self, rng, long_labels=False):
        self.rng = rng
        self.long_labels = long_labels  # block labels long enough to overflow a deep path
        self.groups = {}  # name -> wirelist lines
        self.parts = {}   # name -> [(kind, child group or gate, label)], in order

    def label(self, prefix, k):
        r = self.rng.random()
        if self.long_labels and prefix == "B":
            return "%s%d_%s" % (prefix, k, "L" * self.rng.randint(80, 200))
        if r < 0.1:
            return "%s%d_%s" % (prefix, k, "L" * self.rng.randint(10, 60))
        if r < 0.3:
            return "%s%d" % (prefix, k * self.rng.choice([1, 11, 101, 1001]))
        return "%s%d" % (prefix, k)

    def value(self):
        if self.rng.random() < 0.03:
            return self.rng.choice(["@UNDEFINED", "@LOOP", "(@W"])  # values that cannot be formed
        return self.rng.choice(["@DRIVE", "@W*2", "@DRIVE+@W", "3", "LOW", "@TPD", "(@W)",
                                "A_LONG_VALUE_" + "X" * self.rng.randint(5, 70)])

    def gate_atts(self, k):
        rng = self.rng
        atts = ["LABEL=" + self.label("U", k)]
        for name in rng.sample(["SIZE", "WIDTH", "PWR", "LOAD", "VT", "CORNER"], rng.randint(0, 4)):
            atts.append("%s=%s" % (name, self.value()))
        r = rng.random()
        if r < 0.08:
            atts.append("@DRIVE=%d" % rng.randint(1, 9))
        elif r < 0.14:
            atts.append("DELAY=%s" % rng.choice(["@TPD", "2", "@TPD*3"]))
            if rng.random() < 0.5:
                atts.append(rng.choice(["HWM=TRUE", "VHDL=CELL"]))
        elif r < 0.18:
            atts.append("MODEL=%s" % rng.choice(["M_@W", "GENERIC"]))
        elif r < 0.21:
            atts.append("PREFIX=C")
        return atts

    def block_atts(self, k):
        rng = self.rng
        atts = ["LABEL=" + self.label("B", k)]
        r = rng.random()
        if r < 0.2:
            atts.append("@DRIVE=%d" % rng.randint(1, 9))
        elif r < 0.3:
            atts.append("@W=%s" % rng.choice(["7", "@DRIVE+1", "(@TPD)"]))
        elif r < 0.4:
            atts.append("DELAY=%s" % rng.choice(["@TPD*2", "5", "@W"]))
        elif r < 0.45:
            atts.append("LEVEL=CELL")
        if rng.random() < 0.3:
            atts.append("PWR=" + self.value())
        return atts

    def group(self, name, children, ngates, nblocks):
        """Writes group `name`: nblocks instances of children, ngates gates."""
        rng = self.rng
        lines = ["| Generated group.", "V 4.09", "DW " + name]
        lines += ["AS %s PINORDER=%s" % (g, " ".join(p)) for g, p in GATES.items()]
        lines += ["AS DFF MODEL=DFFR", "AP DFF 2 PINTYPE=CLOCK"]
        for c in sorted(set(children)):
            lines.append("AS %s PINORDER=%s" % (c, " ".join(PORTS)))
        parts = [("B", rng.choice(children)) for _ in range(nblocks)] if children else []
        parts += [("G", rng.choice(list(GATES))) for _ in range(ngates)]
        rng.shuffle(parts)
        side = ["CK", "D0", "D1", "D2", "D3", "VCC", "GND"]
        for k, (kind, what) in enumerate(parts):
            inst = "$1I%d" % k
            a, b = "X%d" % k, "X%d" % (k + 1)
            if kind == "B":
                atts = self.block_atts(k)
                self.parts.setdefault(name, []).append((kind, what, atts[0][6:]))
                # Now and then both ports of the chain meet inside: joined ports.
                o = a if rng.random() < 0.05 else b
                lines += ["W %s %s" % (what, inst),
                          "I %s %s %s %s CK D[0:3] %s" % (inst, what, a, o, "`".join(atts))]
            else:
                pins = GATES[what]
                nets = [a] + [rng.choice(side + ["X%d" % rng.randint(0, k + 1)])
                              for _ in pins[1:-1]] + [b]
                atts = self.gate_atts(k)
                self.parts.setdefault(name, []).append((kind, what, atts[0][6:]))
                lines += ["M %s %s" % (what, inst),
                          "I %s %s %s %s" % (inst, what, " ".join(nets), "`".join(atts))]
        last = "X%d" % len(parts)
        lines += ["P IN I", "I I IN X0", "P OUT O", "I O OUT " + last, "P IN CK",
                  "I CK IN CK PINTYPE=CLOCK", "P IN D[0:3]", "I D[0:3] IN D[0:3]", "G VCC", "G GND"]
        for _ in range(rng.randint(0, 3)):
            net = "X%d" % rng.randint(0, len(parts))
            lines.append(rng.choice(["AN %s NET_ALIAS=AL%d" % (net, rng.randint(0, 9)),
                                     "AN %s CAP=%s" % (net, self.value()),
                                     "AN %s LOAD=3" % net]))
        lines.append("EW")
        self.groups[name] = lines

    def build(self, shape):
        rng = self.rng
        if shape == "flat":
            self.group("TOP", [], rng.randint(20, 300), 0)
        elif shape == "wide":
            self.group("SUB", [], rng.randint(2, 6), 0)
            self.group("TOP", ["SUB"], 0, rng.randint(15, 40))
        elif shape == "chain":
            depth = rng.randint(3, 9)
            for d in range(depth, 0, -1):
                child = ["G%d" % (d + 1)] if d < depth else []
                self.group("G%d" % d, child, rng.randint(0, 2), 1 if child else 0)
            self.group("TOP", ["G1"], rng.randint(0, 2), rng.randint(1, 3))
        else:
            depth = rng.randint(1, 4)
            below = []
            for d in range(depth, 0, -1):
                names = ["L%d%s" % (d, c) for c in "AB"[: rng.randint(1, 2)]]
                for n in names:
                    self.group(n, below, rng.randint(0 if below else 1, 4),
                               rng.randint(1, 4) if below else 0)
                below = names
            self.group("TOP", below, rng.randint(0, 3), rng.randint(1, 5))

    def occurrences(self, group="TOP", path="", limit=3000, instances=False):
        """Paths of component occurrences (block or gate, with the gate's
        pins) and of net occurrences, outermost first, at most limit; made
        of labels, or of instance names with instances."""
        comps, nets = [], []
        stack = [(group, path)]
        while stack and len(comps) < limit:
            g, at = stack.pop()
            for k, (kind, what, label) in enumerate(self.parts.get(g, [])):
                name = "$1I%d" % k if instances else label
                nets.append(at + "X%d" % k)
                if kind == "B":
                    comps.append((at + name, None))
                    stack.append((what, at + name + "\\"))
                else:
                    comps.append((at + name, GATES[what]))
        return comps, nets

    def delay_table(self):
        """A delay table annotating a few occurrences, or None."""
        comps, nets = self.occurrences()
        if not comps:
            return None
        return annotation(self.rng, ["| Generated annotation.", ".BA"], comps, nets,
                          "NOTE=ANN", ["A TPLH=2", "A TPHL=3"])

    def occurrence_file(self, rng):
        """An occurrence-attribute file giving a few occurrences attributes,
        or None; drawn from rng."""
        comps, nets = self.occurrences(instances=True)
        if not comps:
            return None
        head = ["| Generated occurrence attributes.", rng.choice(["V 1", "OVERRIDE ON"]), ".BA"]
        return annotation(rng, head, comps, nets, "NOTE=OCC", ["A TPLH=4"])

    def write(self, folder, table=None, oats=None):
        for d in ("lib/wir", "lib/sym", "lib/sch"):
            os.makedirs(os.path.join(folder, d))
        if oats:
            with open(os.path.join(folder, "lib/sch/top.oat"), "w") as f:
                f.write("\n".join(oats) + "\n")
        with open(os.path.join(folder, "drafta.ini"), "w") as f:
            f.write("| Generated project\nDIR [p] ./lib (WORK)\n")
        if table:
            with open(os.path.join(folder, "ann.dtb"), "w") as f:
                f.write("\n".join(table) + "\n")
        with open(os.path.join(folder, "top.var"), "w") as f:
            f.write("| Generated values\n@DRIVE = 2\n@W = 10\n@TPD = 3\n@LOOP = @LOOP+1\n")
        for name, lines in self.groups.items():
            with open(os.path.join(folder, "lib/wir/%s.1" % name.lower()), "w") as f:
                f.write("\n".join(lines) + "\n")
            with open(os.path.join(folder, "lib/sym/%s.1" % name.lower()), "w") as f:
                f.write("\n".join(symbol(0, PORTS)) + "\n")
        for gate, pins in GATES.items():
            with open(os.path.join(folder, "lib/sym/%s.1" % gate.lower()), "w") as f:
                f.write("\n".join(symbol(1, pins, ["FAMILY=GEN"])) + "\n")
        # One time for every file: a wirelist that looks older than its
        # symbol would be reported as out of date, in one run and not the other.
        for root, _, names in os.walk(folder):
            for n in names:
                os.utime(os.path.join(root, n), (1700000000, 1700000000))


def run(tsn, folder, argv, off):
    env = {"PATH": "/usr/bin:/bin", "WDIR": folder, "TSN_NO_SHORTCUTS": off,
           "ASAN_OPTIONS": "detect_leaks=0", "UBSAN_OPTIONS": "print_stacktrace=1"}
    r = subprocess.run([tsn] + argv, cwd=folder, capture_output=True, timeout=120, env=env)
    return outcome(r, folder)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("tsn", help="the tsn binary to run")
    ap.add_argument("--runs", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--work", default="/tmp/tsn-diff-shortcuts")
    args = ap.parse_args()
    rng = random.Random(args.seed)
    tsn = os.path.abspath(args.tsn)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    failures = 0
    for n in range(args.runs):
        shape = SHAPES[n % len(SHAPES)]
        design = Design(rng, shape == "chain" and rng.random() < 0.5)
        design.build(shape)
        argv = ["top", "-e", "0"] + rng.choice([[], [], ["-s"], ["-t"], ["CELL"], ["-s", "CELL"]])
        table = design.delay_table() if rng.random() < 0.4 else None
        if table:
            argv += ["-d", "ann"]
        # Drawn from a generator of their own, so that the designs and tables
        # of a seed stay those the seed gave before occurrence attributes.
        orng = random.Random(args.seed * 1000003 + n)
        oats = design.occurrence_file(orng) if orng.random() < 0.3 else None
        if oats:
            argv.append("-o")
        folders = [os.path.join(args.work, w) for w in ("fast", "general")]
        for f in folders:
            shutil.rmtree(f, ignore_errors=True)
            design.write(f, table, oats)
        off = "1"
        if n % 3 == 2:
            off = ",".join(rng.sample(SHORTCUTS, rng.randint(1, len(SHORTCUTS) - 1)))
        fast = run(tsn, folders[0], argv, "0")
        general = run(tsn, folders[1], argv, off)
        if fast != general:
            failures += 1
            keep = os.path.join(args.work, "fail%d" % n)
            for folder, result, value in zip(folders, (fast, general), ("0", off)):
                dest = os.path.join(keep, os.path.basename(folder))
                shutil.copytree(folder, dest)
                for name, data in (("args", "\n".join(argv).encode() + b"\n"),
                                   ("env", b"TSN_NO_SHORTCUTS=" + value.encode() + b"\n"),
                                   ("stdout", result[1]), ("stderr", result[2])):
                    with open(os.path.join(dest, name), "wb") as f:
                        f.write(data)
            parts = ("exit code", "stdout", "stderr", "files")
            what = [k for k, a, b in zip(parts, fast, general) if a != b]
            if fast[3] != general[3]:
                what += sorted(f for f in set(fast[3]) | set(general[3])
                               if fast[3].get(f) != general[3].get(f))
            print("run %d (%s, %s, TSN_NO_SHORTCUTS=%s): the general path differs in %s; "
                  "kept in %s" % (n, shape, " ".join(argv), off, ", ".join(what), keep))
    print("%d runs, %d differ" % (args.runs, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    raise SystemExit(main())
