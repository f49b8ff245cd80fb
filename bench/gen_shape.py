#!/usr/bin/env python3
"""Writes a project of a chosen shape for timing whole netlister runs.

Two shapes:

  hier  Hierarchy with reuse, as real designs are: TOP places K blocks of
        the one group BLK, BLK places K sub-blocks of the one group SUB, and
        SUB places K leaf gates, so the stored design is three small groups
        while the flattened design has K**3 leaf occurrences (K = 10, 22,
        47, 100 give about 1K, 10K, 100K, 1M).
  flat  One group TOP with N leaf gates spread over S sheets.

Every group chains its parts between its ports I and O (nets between
siblings), passes the clock CK and the bus D[0:3] down to every part
(ports up and down), ties inputs to the global net VCC, and aliases one
net (NET_ALIAS).  Leaf gates carry a label, a plain attribute and, on the
NAND gates, a value taken from a variable (SIZE=@DRIVE, defined in
top.var); every block of TOP carries a DELAY computed from a variable.

With --dtb PERCENT the project also gets a delay table, top.dtb, that
annotates about PERCENT per cent of the leaf occurrences (chosen with a
fixed seed), each with one entry, the three kinds in turn: a component
entry with one attribute; a pin entry with rise and fall delays on the
leaf's first pin (a delay block); a net entry for the net that drives
that pin, with one attribute and one net delay from the previous leaf's
output to that pin.  The gates' pins are then typed (PINTYPE IN or OUT),
so the delays apply without warnings; run the same project with and
without "-d top" to see what annotation costs.

Output: <out>/drafta.ini, <out>/top.var, <out>/lib/wir/*.1..., <out>/lib/sym/*.1,
<out>/top.dtb with --dtb
Examples:
  gen_shape.py --out /tmp/h100 hier --k 100
  gen_shape.py --out /tmp/f100k flat --n 100000 --sheets 1
  gen_shape.py --out /tmp/h100d --dtb 1 hier --k 100
"""
import argparse
import os
import random

# Leaf gates: name, pins, the pin fed by the chain, the pin driving it on.
GATES = [
    ("ND2", ["A", "B", "Y"]),
    ("INV", ["A", "Y"]),
    ("DFF", ["D", "CK", "Q"]),
]
BUS_WIDTH = 4
PORTS = ["I", "O", "CK", "D[0:%d]" % (BUS_WIDTH - 1)]
# Pin types of the gates, written only for projects with a delay table.
PIN_TYPES = {"ND2": ["IN", "IN", "OUT"], "INV": ["IN", "OUT"], "DFF": ["IN", None, "OUT"]}
TYPED = False


def header(name):
    return ["| Wirelist created by gen_shape.py", "V 4.09", "DW " + name]


def gate_declarations():
    lines = []
    for gate, pins in GATES:
        lines.append("AS %s PINORDER=%s" % (gate, " ".join(pins)))
    lines.append("AS DFF MODEL=DFFR")
    lines.append("AP DFF 2 PINTYPE=CLOCK")
    if TYPED:
        for gate, types in PIN_TYPES.items():
            lines += ["AP %s %d PINTYPE=%s" % (gate, n, t) for n, t in enumerate(types, 1) if t]
    return lines


def gate_records(index, sheet, net_in, net_out):
    """The component and instance records of leaf gate `index`."""
    gate, _ = GATES[index % len(GATES)]
    inst = "$%dI%d" % (sheet, index)
    label = "U%d" % index
    if gate == "ND2":
        other = "VCC" if index % 2 else "D%d" % (index % BUS_WIDTH)
        nets = [net_in, other, net_out]
        atts = "LABEL=%s`SIZE=@DRIVE`PWR=LOW" % label
    elif gate == "INV":
        nets = [net_in, net_out]
        atts = "LABEL=%s`PWR=LOW" % label
    else:
        nets = [net_in, "CK", net_out]
        atts = "LABEL=%s`INIT=0`PWR=HIGH" % label
    return ["M %s %s" % (gate, inst), "I %s %s %s %s" % (inst, gate, " ".join(nets), atts)]


def port_records(first_net, last_net):
    return ["P IN I", "I I IN " + first_net,
            "P OUT O", "I O OUT " + last_net,
            "P IN CK", "I CK IN CK PINTYPE=CLOCK",
            "P IN " + PORTS[3], "I %s IN %s" % (PORTS[3], PORTS[3])]


def leaf_group(name, count):
    """A group of `count` leaf gates chained from I to O."""
    lines = header(name) + gate_declarations()
    for k in range(count):
        lines += gate_records(k, 1, "N%d" % k, "N%d" % (k + 1))
    lines += port_records("N0", "N%d" % count)
    lines += ["G VCC", "AN N1 NET_ALIAS=FIRST", "AN N%d LOAD=%d" % (count // 2, 3), "EW"]
    return "\n".join(lines) + "\n"


def block_group(name, child, count, child_atts):
    """A group of `count` instances of `child` chained from I to O."""
    lines = header(name)
    lines.append("AS %s PINORDER=%s" % (child, " ".join(PORTS)))
    for j in range(count):
        inst = "$1I%d" % j
        atts = child_atts(j)
        lines += ["W %s %s" % (child, inst),
                  "I %s %s X%d X%d CK %s %s" % (inst, child, j, j + 1, PORTS[3], atts)]
    lines += port_records("X0", "X%d" % count)
    lines += ["G VCC", "AN X1 NET_ALIAS=LINK", "EW"]
    return "\n".join(lines) + "\n"


def flat_sheets(count, sheets):
    """TOP's sheets: the chain of `count` gates cut into `sheets` pieces;
    nets belong to the group, so the chain runs on across sheets."""
    texts = []
    per = -(-count // sheets)
    for s in range(1, sheets + 1):
        lines = header("TOP") + gate_declarations()
        for k in range((s - 1) * per, min(s * per, count)):
            lines += gate_records(k, s, "N%d" % k, "N%d" % (k + 1))
        if s == 1:
            lines += port_records("N0", "N%d" % count)
            lines += ["G VCC", "AN N1 NET_ALIAS=FIRST"]
        lines += ["SA TITLE=SHEET %d" % s, "EW"]
        texts.append("\n".join(lines) + "\n")
    return texts


def symbol(type_number, pins, atts=()):
    lines = ["V 5.0", "| Written by gen_shape.py", "Y %d" % type_number]
    lines.append("U 0 0 0 0 0 0 PINORDER=" + " ".join(pins))
    for a in atts:
        lines.append("U 0 0 0 0 0 0 " + a)
    for p in pins:
        lines += ["P 0 0 0 0 0 0 0", "L 0 0 0 0 0 0 0 0 " + p]
    lines.append("E")
    return "\n".join(lines) + "\n"


def delay_table(paths, count, percent):
    """top.dtb: an entry for about `percent` per cent of the `count` leaf
    gates of every block path in `paths` (prefixes ending in a backslash,
    or "" for the top group)."""
    rng = random.Random(1)
    lines = ["| Generated by gen_shape.py: %s%% of the leaf occurrences" % percent, ".BA"]
    entries = 0
    for path in paths:
        for k in range(1, count):
            if rng.random() * 100 >= percent:
                continue
            _, pins = GATES[k % len(GATES)]
            leaf = "%sU%d" % (path, k)
            kind = entries % 3
            if kind == 0:
                lines += ["C " + leaf, "A TRIM=%d" % rng.randint(1, 9)]
            elif kind == 1:
                lines += ["P %s\\%s" % (leaf, pins[0]), "A TPLH=%d" % rng.randint(1, 5),
                          "A TPHL=%d" % rng.randint(1, 5)]
            else:
                _, prev_pins = GATES[(k - 1) % len(GATES)]
                lines += ["N %sN%d" % (path, k), "A CAP=%d" % rng.randint(1, 9),
                          "W %sU%d\\%s %s\\%s TPD=%d" % (path, k - 1, prev_pins[-1], leaf, pins[0],
                                                     rng.randint(1, 5))]
            entries += 1
    lines.append(".AB")
    return "\n".join(lines) + "\n", entries


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", required=True, help="project folder to write")
    sub = ap.add_subparsers(dest="shape", required=True)
    h = sub.add_parser("hier", help="TOP > K x BLK > K x SUB > K leaf gates")
    h.add_argument("--k", type=int, required=True, help="fan-out at every level")
    f = sub.add_parser("flat", help="TOP with N leaf gates")
    f.add_argument("--n", type=int, required=True, help="leaf gates")
    f.add_argument("--sheets", type=int, default=1, help="sheets of TOP")
    ap.add_argument("--dtb", type=float, default=0,
                    help="write top.dtb annotating this per cent of the leaf occurrences")
    args = ap.parse_args()
    global TYPED
    TYPED = args.dtb > 0

    wir = os.path.join(args.out, "lib", "wir")
    sym = os.path.join(args.out, "lib", "sym")
    os.makedirs(wir, exist_ok=True)
    os.makedirs(sym, exist_ok=True)
    for old in os.listdir(wir):
        os.remove(os.path.join(wir, old))
    write(os.path.join(args.out, "drafta.ini"), "| Generated project\nDIR [p] ./lib (WORK)\n")
    write(os.path.join(args.out, "top.var"),
          "| Values the generated attributes refer to.\n@DRIVE = 2\n@TPD = 3\n")

    if args.shape == "hier":
        k = args.k
        write(os.path.join(wir, "sub.1"), leaf_group("SUB", k))
        write(os.path.join(wir, "blk.1"),
              block_group("BLK", "SUB", k, lambda j: "LABEL=S%d`PWR=LOW" % j))
        write(os.path.join(wir, "top.1"),
              block_group("TOP", "BLK", k, lambda j: "LABEL=B%d`DELAY=@TPD*2`PWR=LOW" % j))
        for name in ("BLK", "SUB"):
            write(os.path.join(sym, name.lower() + ".1"), symbol(0, PORTS))
        leaves, groups = k ** 3, 3
        paths = ["B%d\\S%d\\" % (i, j) for i in range(k) for j in range(k)]
        count = k
    else:
        for s, text in enumerate(flat_sheets(args.n, args.sheets), 1):
            write(os.path.join(wir, "top.%d" % s), text)
        leaves, groups = args.n, 1
        paths, count = [""], args.n
    dtb = os.path.join(args.out, "top.dtb")
    if args.dtb > 0:
        text, entries = delay_table(paths, count, args.dtb)
        write(dtb, text)
        print("delay table entries %d" % entries)
    elif os.path.exists(dtb):
        os.remove(dtb)
    write(os.path.join(sym, "top.1"), symbol(0, PORTS))
    for gate, pins in GATES:
        write(os.path.join(sym, gate.lower() + ".1"), symbol(1, pins, ["FAMILY=GEN"]))
    # The wirelists must not look older than their symbols, or a run would
    # try to bring them up to date.
    for name in os.listdir(wir):
        os.utime(os.path.join(wir, name))
    print("groups %d leaf occurrences %d" % (groups, leaves))


if __name__ == "__main__":
    main()
