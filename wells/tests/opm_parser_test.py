"""The lift-curve tables of a deck as OPM's own deck parser reads them and as
`pipeflow vfp-check --json` reads them: the same tables, words, axes and values.

usage: opm_parser_test.py PIPEFLOW
A deck as operators write them (comments in Latin-1, repeats, defaulted items,
records over lines, text after a record's '/', an INCLUDE, METRIC units taken
by a table that does not name its own, a VFPPROD and a VFPINJ) is written to
a temporary folder and read by both."""
import json
import math
import subprocess
import sys
import tempfile
from pathlib import Path

from opm.io.parser import Parser

DECK = (b"RUNSPEC\nMETRIC\n"
        b"-- \xb0\xb1 8-bit bytes in a comment (Latin-1)\n"
        b"VFPPROD\n"
        b"  5  2000.0 'liq' 'wct' 'gor' 'thp' ' ' 1* 'BHP' /\n"
        b"  100 200 400 800 /  -- FLO\n"
        b"  10 20 / THP: text after a record's end is a comment 1 2 /\n"
        b"  0 0.5 /\n  100 /\n  0 /\n"
        b"1 1 1 1  150 140 145 160 /\n"
        b"1 2 1 1  170\n   160 165 180 /\n"
        b"2 1 1 1  155 2*150 170 /\n"
        b"2 2 1 1  175 3*190 /\n"
        b"INCLUDE\n 'inj.inc' /\n")
INJ = (b"-- injector table \xe9crit \xe0 la main\n"
       b"VFPINJ\n 7 1500.0 'WAT' 'THP' 1* 'BHP' /\n 100 500 1000 /\n 50 100 /\n"
       b"1 210 200 190 /\n2 260 2*255 /\n")


def values(item):
    try:
        if item.is_double():
            return item.get_raw_data_list()
        if item.is_int():
            return item.get_data_list()
        return item.get_str(0)
    except ValueError:  # a defaulted item
        return None


def opm_tables(path):
    deck = Parser().parse(str(path))
    out = []
    for name in ("VFPPROD", "VFPINJ"):
        if name not in deck:
            continue
        kw = deck[name]
        records = [[values(rec[j]) for j in range(len(rec))] for rec in (kw[i] for i in range(len(kw)))]
        out.append((name, records))
    return out


def flat(record):
    """A data record's numbers in order: its indices, then its values."""
    out = []
    for v in record:
        out.extend(v if isinstance(v, list) else [v])
    return out


def main():
    exe = sys.argv[1]
    with tempfile.TemporaryDirectory() as d:
        folder = Path(d)
        (folder / "deck.data").write_bytes(DECK)
        (folder / "inj.inc").write_bytes(INJ)
        run = subprocess.run([exe, "vfp-check", str(folder / "deck.data"), "--json"], capture_output=True, text=True)
        assert run.returncode == 0, run.stderr
        ours = {t["keyword"]: t for t in json.loads(run.stdout)["tables"]}
        theirs = opm_tables(folder / "deck.data")
    assert [name for name, _ in theirs] == ["VFPPROD", "VFPINJ"] == list(ours), (theirs, list(ours))
    failures = []

    def same(what, a, b):
        if isinstance(a, float) or isinstance(b, float):
            ok = a is not None and b is not None and math.isclose(a, b, rel_tol=1e-12, abs_tol=1e-12)
        else:
            ok = a == b
        if not ok:
            failures.append(f"{what}: ours {a!r}, OPM's {b!r}")

    for name, records in theirs:
        t = ours[name]
        head = records[0]
        same(f"{name} number", t["number"], head[0][0])
        same(f"{name} datum", t["datum"], head[1][0])
        same(f"{name} FLO kind", t["flo_type"], head[2].upper())
        axes = ["flo", "thp"] + (["wfr", "gfr", "alq"] if name == "VFPPROD" else [])
        for k, axis in enumerate(axes):
            same(f"{name} {axis} axis", t[axis], records[1 + k][0])
        n_idx = 4 if name == "VFPPROD" else 1
        sizes = [len(t[a]) for a in ("thp", "wfr", "gfr", "alq")]
        nflo = len(t["flo"])
        for rec in records[1 + len(axes):]:
            numbers = flat(rec)
            idx = [int(v) - 1 for v in numbers[:n_idx]] + [0] * (4 - n_idx)
            combo = ((idx[0] * sizes[1] + idx[1]) * sizes[2] + idx[2]) * sizes[3] + idx[3]
            for f, v in enumerate(numbers[n_idx:]):
                same(f"{name} value {idx} FLO {f + 1}", t["bhp"][combo * nflo + f], v)
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    print(f"OPM's parser and vfp-check read the same {len(theirs)} tables")


if __name__ == "__main__":
    main()
