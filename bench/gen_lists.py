#!/usr/bin/env python3
"""Writes a project whose one group holds a very long list of one kind.

Loading keeps attribute lists sorted, finds symbol pins by name or by
position and files every record under its sheet; each of these shapes
makes one of those lists long, so that a cost growing with the length of
the list shows up as a quadratic run time:

  sa      N sheet attributes ("SA") on one sheet
  an      N attributes ("AN") on one net
  as      N attributes ("AS") on one symbol
  ap      N attributes ("AP") on one symbol pin
  appins  N "AP" records spread over the first 30,000 pins of a symbol
  api     N attributes ("API") on one component pin
  iatts   one "I" record carrying N attributes
  pins    one component of a gate with min(N, 30000) pins
  block   one block whose min(N, 30000) ports are all connected
  ports   N ports ("P"/"I") of the top group
  sheets  N sheets of the top group, one gate each

Names arrive in a scrambled order (a fixed permutation), so that new
entries land all over a sorted list, not only at its end.  Every design
is the same two-gate sheet around the long list, so the netlist of each
is small.

Output: <out>/drafta.ini and <out>/lib/wir/top.<n>
Example: gen_lists.py --out /tmp/sa sa --n 100000
"""
import argparse
import os

SHAPES = ["sa", "an", "as", "ap", "appins", "api", "iatts", "pins", "block", "ports", "sheets"]


def scrambled(n):
    """0..n-1 in a fixed order that jumps all over the range."""
    step = 7919  # a prime, so it is coprime with nearly every n
    while n % step == 0:
        step += 2
    return [(k * step) % n for k in range(n)]


def sheet_head(sheet):
    return ["| Wirelist created by gen_lists.py", "V 4.09", "DW TOP",
            "AS ND2 PINORDER=A B Y", "M ND2 $%dI1" % sheet, "M ND2 $%dI2" % sheet]


def gates(sheet, attributes=""):
    return ["I $%dI1 ND2 A%d B%d N%d%s" % (sheet, sheet, sheet, sheet, attributes),
            "I $%dI2 ND2 N%d B%d Y%d" % (sheet, sheet, sheet, sheet)]


def body(shape, n):
    """The lines of sheet 1 for a one-sheet shape."""
    order = scrambled(n)
    lines = sheet_head(1)
    if shape == "iatts":
        return lines + gates(1, " " + "`".join("X%d=%d" % (k, k) for k in order)) + ["EW"]
    lines += gates(1)
    if shape == "sa":
        lines += ["SA S%d=%d" % (k, k) for k in order]
    elif shape == "an":
        lines += ["AN N1 X%d=%d" % (k, k) for k in order]
    elif shape == "as":
        lines += ["AS ND2 X%d=%d" % (k, k) for k in order]
    elif shape == "ap":
        lines += ["AP ND2 1 X%d=%d" % (k, k) for k in order]
    elif shape == "appins":
        lines += ["AS WIDE PINORDER=A"]
        lines += ["AP TOP %d X%d=%d" % (k % 30000 + 1, k, k) for k in order]
    elif shape == "api":
        lines += ["API $1I1 ND2 1 X%d=%d" % (k, k) for k in order]
    elif shape == "pins":
        width = min(n, 30000)
        lines += ["AS WIDE PINORDER=A[1:%d]" % width, "M WIDE $1I3",
                  "I $1I3 WIDE W[1:%d]" % width]
    elif shape == "block":
        width = min(n, 30000)
        lines += ["AS BLK PINORDER=D[1:%d]" % width, "W BLK $1I3",
                  "I $1I3 BLK X[1:%d]" % width]
    elif shape == "ports":
        for k in order:
            lines += ["P IN P%d" % k, "I P%d IN Q%d" % (k, k)]
    return lines + ["EW"]


def write(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", required=True)
    ap.add_argument("shape", choices=SHAPES)
    ap.add_argument("--n", type=int, default=100000)
    args = ap.parse_args()
    wir = os.path.join(args.out, "lib", "wir")
    os.makedirs(wir, exist_ok=True)
    for name in os.listdir(wir):
        os.remove(os.path.join(wir, name))
    write(os.path.join(args.out, "drafta.ini"), ["DIR [p] lib"])
    if args.shape == "sheets":
        for s in range(1, args.n + 1):
            write(os.path.join(wir, "top.%d" % s), sheet_head(s) + gates(s) + ["EW"])
    else:
        write(os.path.join(wir, "top.1"), body(args.shape, args.n))
    if args.shape == "block":
        width = min(args.n, 30000)
        write(os.path.join(wir, "blk.1"),
              ["V 4.09", "DW BLK", "AS ND2 PINORDER=A B Y", "M ND2 $1I1",
               "I $1I1 ND2 D1 D2 Y", "P IN D[1:%d]" % width,
               "I D[1:%d] IN E[1:%d]" % (width, width), "EW"])


if __name__ == "__main__":
    main()
