#!/usr/bin/env python3
"""scripts/compare on the two results files of the results test: one row
per measurement, the ratios line, and both chart files.

    check_compare.py COMPARE A.jsonl B.jsonl OUT_DIR
"""
import os
import re
import subprocess
import sys


def main(argv):
    compare, a, b, out_dir = argv[1:5]
    stem = os.path.join(out_dir, "chart")
    for ext in ("png", "svg"):
        if os.path.exists(f"{stem}.{ext}"):
            os.remove(f"{stem}.{ext}")
    r = subprocess.run([compare, "-o", stem, a, b], stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, text=True)
    print(r.stdout)
    problems = []
    if r.returncode != 0:
        problems.append(f"exit status {r.returncode}")
    m = re.search(r"^ratios to \[1\] \S+ \(geometric mean, measurements\): "
                  r"\[1\] 1\.000 \((\d+)\)  \[2\] (\d+\.\d{3}) \((\d+)\)$", r.stdout, re.M)
    rows = [l.split() for l in r.stdout.splitlines()
            if re.match(r"^(grid|overwrite|ripple|terrain)", l)]
    if len(rows) != 7 or any(len(row) != 6 for row in rows):
        problems.append(f"{len(rows)} measurement rows of 6 columns, expected 7")
    # A measurement that drew nothing in the first file (the terrain
    # without its world model) has no ratio; every other one has.
    rated = sum(1 for row in rows if float(row[2]) > 0)
    if not m or int(m.group(1)) != rated or int(m.group(3)) != rated or rated < 6 \
            or not float(m.group(2)) > 0:
        problems.append(f"the ratios line names both files with {rated} ratios each")
    for row in rows:
        if float(row[2]) > 0 and row[3] != "1.000":
            problems.append(f"the first file's ratio is 1: {row}")
    with open(f"{stem}.png", "rb") as f:
        if f.read(8) != b"\x89PNG\r\n\x1a\n":
            problems.append("compare.png is a PNG")
    with open(f"{stem}.svg", encoding="utf-8") as f:
        svg = f.read()
    if "<svg" not in svg or "polygons/s" not in svg and "polygons" not in svg:
        problems.append("compare.svg is an SVG chart")
    # No results at all: a clear refusal.
    empty = os.path.join(out_dir, "empty.jsonl")
    open(empty, "w").close()
    e = subprocess.run([compare, "-o", stem + "-empty", a, empty],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if e.returncode != 2 or "no results" not in e.stdout:
        problems.append(f"a file without results is refused: {e.returncode} {e.stdout}")
    for p in problems:
        print("FAILED:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
