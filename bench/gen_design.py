#!/usr/bin/env python3
"""Writes a generated design folder for timing the group reader.

The design is a tree of COMPOSITE groups: TOP at level 0, and every group
above the bottom level instantiates FANOUT groups of its own on the next
level (so level k holds FANOUT**k groups).  Every group has SHEETS sheets;
each sheet places LEAVES primitive components (of a few MODULE types) on a
chain of nets between the group's ports I and O, and its share of the
child groups.  Every sheet also aliases one net to another (NET_ALIAS) and
every group above the bottom declares one global net, so the whole-design
passes have work too.

Output: <out>/drafta.ini, <out>/lib/wir/<group>.<sheet>, <out>/lib/sym/<group>.1
Example: gen_design.py --out /tmp/d --depth 4 --fanout 10 --leaves 9
"""
import argparse
import os

PRIMITIVES = ["AND2", "INV", "DFF"]


def group_names(depth, fanout):
    """Names of the groups, level by level: TOP, B1_0, B1_1, ..."""
    levels = [["TOP"]]
    for level in range(1, depth + 1):
        count = fanout ** level
        levels.append(["B%d_%d" % (level, i) for i in range(count)])
    return levels


def sheet_text(name, sheet, leaves, children, first_sheet):
    lines = ["| Wirelist created by gen_design.py", "V 4.09", "DW " + name]
    if first_sheet:
        lines += ["P IN I", "I I IN I", "P OUT O", "I O OUT O"]
    for prim in PRIMITIVES:
        lines.append("AS %s PINORDER=I O" % prim)
    net = "I" if first_sheet else "S%dN0" % sheet
    for k in range(leaves):
        nxt = "S%dN%d" % (sheet, k + 1)
        prim = PRIMITIVES[k % len(PRIMITIVES)]
        inst = "$S%dU%d" % (sheet, k)
        lines += ["M %s %s" % (prim, inst), "I %s %s %s %s" % (inst, prim, net, nxt)]
        net = nxt
    for j, child in enumerate(children):
        nxt = "S%dC%d" % (sheet, j)
        inst = "$S%dX%d" % (sheet, j)
        lines += ["AS %s PINORDER=I O" % child, "W %s %s" % (child, inst),
                  "I %s %s %s %s" % (inst, child, net, nxt)]
        net = nxt
    lines.append("AN %s NET_ALIAS=S%dALIAS" % (net, sheet))
    if children and first_sheet:
        lines.append("G VCC")
    lines.append("EW")
    return "\n".join(lines) + "\n"


def symbol_text(type_number, pins):
    lines = ["V 4", "Y %d" % type_number]
    for p in pins:
        lines += ["P 0 0 10 0 1 0", "L 0 0 1 1 0 0 0 0 " + p]
    lines.append("E")
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", required=True)
    ap.add_argument("--depth", type=int, default=3, help="levels below TOP")
    ap.add_argument("--fanout", type=int, default=10, help="child groups per group")
    ap.add_argument("--leaves", type=int, default=9, help="primitives per sheet")
    ap.add_argument("--sheets", type=int, default=1, help="sheets per group")
    args = ap.parse_args()

    wir = os.path.join(args.out, "lib", "wir")
    sym = os.path.join(args.out, "lib", "sym")
    os.makedirs(wir, exist_ok=True)
    os.makedirs(sym, exist_ok=True)
    with open(os.path.join(args.out, "drafta.ini"), "w") as f:
        f.write("DIR [w] lib\n")

    levels = group_names(args.depth, args.fanout)
    groups = sheets = leaves = 0
    for level, names in enumerate(levels):
        for i, name in enumerate(names):
            if level < args.depth:
                kids = levels[level + 1][i * args.fanout:(i + 1) * args.fanout]
            else:
                kids = []
            for s in range(1, args.sheets + 1):
                share = kids[(s - 1)::args.sheets]
                text = sheet_text(name, s, args.leaves, share, s == 1)
                with open(os.path.join(wir, "%s.%d" % (name.lower(), s)), "w") as f:
                    f.write(text)
                sheets += 1
                leaves += args.leaves
            with open(os.path.join(sym, name.lower() + ".1"), "w") as f:
                f.write(symbol_text(0, ["I", "O"]))
            groups += 1
    for prim in PRIMITIVES:
        with open(os.path.join(sym, prim.lower() + ".1"), "w") as f:
            f.write(symbol_text(1, ["I", "O"]))
    print("groups %d sheets %d leaf components %d" % (groups, sheets, leaves))


if __name__ == "__main__":
    main()
