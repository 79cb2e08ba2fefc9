#!/usr/bin/env python3
"""Compare two result CSVs of the model row by row (same case order), e.g. the
reference table flowmodel/tests/data/reference/pipeflow.csv and the output of
`pipeflow batch` over cases.csv beside it.

usage: compare.py A.csv B.csv [--rel 1e-9] [--abs 1e-12] [--show 10] [--min-share 0.999]
Prints mismatching rows (first --show), then a last line 'match: K/N (share)'.
Exit 0 when share >= --min-share.
"""
import csv, math, sys, argparse

FLOATS = ["vers", "dpt", "hol", "dpf", "dpg", "dpa"]
INTS = ["id", "iter", "ierr"]
INPUTS = ["usl", "usg", "rol", "rog", "visl", "visg", "rough", "sigma", "diam", "angle", "pres"]

def close(a, b, rel, ab):
    if math.isnan(a) and math.isnan(b):
        return True
    if math.isinf(a) or math.isinf(b):
        return a == b
    return abs(a - b) <= max(ab, rel * max(abs(a), abs(b)))

def fnum(s):
    s = s.strip()
    if s.lower() in ("nan", "-nan", "+nan"):
        return float("nan")
    return float(s)

def main():
    p = argparse.ArgumentParser()
    p.add_argument("a"); p.add_argument("b")
    p.add_argument("--rel", type=float, default=1e-9)
    p.add_argument("--abs", type=float, default=1e-12)
    p.add_argument("--show", type=int, default=10)
    p.add_argument("--min-share", type=float, default=0.999)
    p.add_argument("--no-msg", action="store_true")
    o = p.parse_args()
    ra = list(csv.DictReader(open(o.a, newline="")))
    rb = list(csv.DictReader(open(o.b, newline="")))
    if len(ra) != len(rb):
        print(f"row counts differ: {len(ra)} vs {len(rb)}")
    n = min(len(ra), len(rb)); ok = 0; shown = 0
    fields_bad = {}
    for i in range(n):
        x, y = ra[i], rb[i]
        bad = []
        for k in INPUTS:
            if k in x and k in y and not close(fnum(x[k]), fnum(y[k]), 0, 0):
                bad.append(f"input {k} {x[k]}!={y[k]}")
        for k in INTS:
            if int(float(x[k])) != int(float(y[k])):
                bad.append(f"{k} {x[k]}!={y[k]}")
        for k in FLOATS:
            if not close(fnum(x[k]), fnum(y[k]), o.rel, o.abs):
                bad.append(f"{k} {x[k]}!={y[k]}")
        if not o.no_msg and x.get("msg", "").rstrip() != y.get("msg", "").rstrip():
            bad.append(f"msg [{x.get('msg','').rstrip()}]!=[{y.get('msg','').rstrip()}]")
        if bad:
            for b in bad:
                fields_bad[b.split()[0]] = fields_bad.get(b.split()[0], 0) + 1
            if shown < o.show:
                shown += 1
                print(f"row {i+2}: " + "; ".join(bad) + " | " + ",".join(x.get(k, "") for k in INPUTS))
        else:
            ok += 1
    total = max(len(ra), len(rb))
    share = ok / total if total else 0.0
    if fields_bad:
        print("fields differing:", fields_bad)
    print(f"match: {ok}/{total} ({share:.4%})")
    sys.exit(0 if share >= o.min_share else 1)

main()
