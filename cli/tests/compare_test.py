#!/usr/bin/env python3
"""`pipeflow compare` on a small data set made here: the JSON keys, the
statistics against the rows' own predictions (--csv) computed again here,
groups, a STRAT row, a failed row, malformed rows named and counted, and the
cross-plot rendered to PNG with rsvg-convert.

usage: compare_test.py PIPEFLOW_EXE [RSVG_CONVERT]
"""
import csv
import io
import json
import math
import os
import subprocess
import sys
import tempfile

from map_render_test import read_png

HEAD = "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres,hol_meas,dpdx_meas,regime_meas,source\n"
AIR_WATER = "1000,1.2,0.001,1.8e-05,1e-05,0.072,0.05,{angle},101325"
ROWS = [
    # usl, usg, angle, hol, dpdx, regime, source
    (0.1, 5, 0, 0.2, 400, "3", "loop A [run 1]"),
    (0.5, 1, 0, 0.5, 900, "3", "loop A [run 2]"),
    (0.01, 5, 0, 0.05, "", "STRAT", "loop A [run 3]"),
    (0.001, 30, 0, "", 300, "2", "loop B"),
    (-1, 5, 0, 0.3, 500, "3", "loop B"),          # improper input: failed, counted apart
    (0.2, 2, 90, 0.4, 5000, "", "loop B"),
    (0.0001, 8, 0, 0, 0.5, "3.0", "loop B"),         # below the resolution: absolute errors only
    (0.001, 8, 0, 0.004, 0.8, "", "loop B"),
]
RESOLUTION = {"holdup": 0.01, "dpdx": 1.0}
MALFORMED = [
    "0.1,5," + AIR_WATER.format(angle=0) + ",-0.2,100,3,loop B\n",     # negative holdup
    "0.1,5," + AIR_WATER.format(angle=0) + ",0.2,nan,3,loop B\n",      # NaN as text
    "0.1,5," + AIR_WATER.format(angle=0) + ",0.2,abc,3,loop B\n",      # text
    "0.1,5," + AIR_WATER.format(angle=0) + ",0.2,100,slug,loop B\n",   # not a regime id
]


def stats(pred, meas, resolution):
    """Absolute errors over every row; relative ones over the rows measured at or above the resolution."""
    e = [(p - m) / m for p, m in zip(pred, meas) if abs(m) >= resolution]
    d = [p - m for p, m in zip(pred, meas)]
    n, k = len(d), len(e)

    def std(v):
        mu = sum(v) / len(v)
        return math.sqrt(sum((x - mu) ** 2 for x in v) / (len(v) - 1))
    return {"n": n, "below_resolution": n - k, "e1": 100 * sum(e) / k, "e2": 100 * sum(abs(x) for x in e) / k,
            "e3": 100 * std(e), "e4": sum(d) / n, "e5": sum(abs(x) for x in d) / n, "e6": std(d),
            "within20": 100 * sum(abs(x) <= 0.2 for x in e) / k, "within30": 100 * sum(abs(x) <= 0.3 for x in e) / k}


def main():
    exe = sys.argv[1]
    rsvg = sys.argv[2] if len(sys.argv) > 2 else None
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "meas.csv")
        with open(path, "w") as f:
            f.write(HEAD)
            for usl, usg, angle, hol, dpdx, regime, source in ROWS:
                f.write(f"{usl},{usg},{AIR_WATER.format(angle=angle)},{hol},{dpdx},{regime},{source}\n")
        out = subprocess.run([exe, "compare", "--input", path, "--json"], capture_output=True, text=True)
        assert out.returncode == 0, out.stderr
        got = json.loads(out.stdout)
        assert set(got) == {"rows", "malformed", "pooled", "groups"} and got["malformed"] == 0
        assert set(got["groups"]) == {"loop A", "loop B"}, got["groups"].keys()
        pooled = got["pooled"]
        for key in ("dpdx", "holdup"):
            assert set(pooled[key]) == {"n", "failed", "below_resolution", "separated_invalid", "e1", "e2", "e3",
                                        "e4", "e5", "e6", "within20", "within30"}, pooled[key]
            assert pooled[key]["below_resolution"] == 2, pooled[key]
        assert set(pooled["regime"]) == {"n", "failed", "n_exact", "exact", "coarse", "confusion"}
        assert "holdup" in got["groups"]["loop A"] and "regime" in got["groups"]["loop A"]
        # The rows with their predictions; the statistics again from them.
        rows = list(csv.DictReader(io.StringIO(subprocess.run([exe, "compare", "--input", path, "--csv"],
                                                                check=True, capture_output=True,
                                                                text=True).stdout)))
        ok = [r for r in rows if r["ierr"] in ("0", "1") and float(r["dpt"]) < 1e10]
        for key, pred, meas in (("dpdx", "dpt", "dpdx_meas"), ("holdup", "hol", "hol_meas")):
            scored = [r for r in ok if r[meas]]
            want = stats([float(r[pred]) for r in scored], [float(r[meas]) for r in scored], RESOLUTION[key])
            for k, v in want.items():
                assert math.isclose(pooled[key][k], v, rel_tol=1e-9, abs_tol=1e-12), (key, k, pooled[key][k], v)
            assert pooled[key]["failed"] == 1, pooled[key]  # the improper-input row
        regime = pooled["regime"]
        assert regime["failed"] == 1 and regime["n"] == 5 and regime["n_exact"] == 4, regime  # "3.0" reads as 3
        assert "STRAT" in regime["confusion"] and sum(regime["confusion"]["STRAT"]) == 1
        # Malformed measured columns: named with their line, counted, never scored.
        with open(path, "a") as f:
            f.writelines(MALFORMED)
        bad = subprocess.run([exe, "compare", "--input", path, "--json"], capture_output=True, text=True)
        assert bad.returncode == 1, bad.returncode
        first = len(ROWS) + 2
        for line, word in ((first, "hol_meas -0.2"), (first + 1, "dpdx_meas is not a number: 'nan'"),
                           (first + 2, "dpdx_meas is not a number"), (first + 3, "regime_meas 'slug'")):
            assert f"line {line}: {word}" in bad.stderr, (line, bad.stderr)
        again = json.loads(bad.stdout)
        assert again["malformed"] == 4 and again["rows"] == len(ROWS) + 4
        assert again["pooled"]["dpdx"]["n"] == pooled["dpdx"]["n"]
        # Without a measured column there is nothing to compare.
        with open(os.path.join(tmp, "none.csv"), "w") as f:
            f.write("usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n0.1,5," + AIR_WATER.format(angle=0) + "\n")
        none = subprocess.run([exe, "compare", "--input", os.path.join(tmp, "none.csv")], capture_output=True, text=True)
        assert none.returncode == 2 and "no measured column" in none.stderr
        # A measured column misspelt is refused, not dropped.
        with open(os.path.join(tmp, "typo.csv"), "w") as f:
            f.write("usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres,hol_mesa\n0.1,5,"
                    + AIR_WATER.format(angle=0) + ",0.2\n")
        typo = subprocess.run([exe, "compare", "--input", os.path.join(tmp, "typo.csv")], capture_output=True, text=True)
        assert typo.returncode == 2 and "did you mean 'hol_meas'" in typo.stderr, typo.stderr
        # A measured value far below the resolution does not reach the relative figures; the table keeps its width.
        with open(os.path.join(tmp, "tiny.csv"), "w") as f:
            f.write(HEAD + "0.1,5," + AIR_WATER.format(angle=0) + ",1e-300,1e-300,,x\n"
                    + "0.1,5," + AIR_WATER.format(angle=0) + ",0.2,400,,x\n")
        tiny = subprocess.run([exe, "compare", "--input", os.path.join(tmp, "tiny.csv")], capture_output=True,
                              text=True)
        assert tiny.returncode == 0, tiny.stderr
        widths = {len(line) for line in tiny.stdout.splitlines() if line.startswith("  dpdx") or line.startswith("  holdup")}
        assert len(widths) == 1 and max(widths) < 120, tiny.stdout
        if rsvg:
            svg, png = os.path.join(tmp, "c.svg"), os.path.join(tmp, "c.png")
            subprocess.run([exe, "compare", "--input", path, "--svg", "--output", svg], capture_output=True)
            text = open(svg).read()
            for label in ("measured pressure gradient, Pa/m", "predicted liquid holdup, -", "loop A", "±20 %"):
                assert label in text, label
            subprocess.run([rsvg, svg, "-o", png], check=True)
            width, height, pixels = read_png(png)
            assert (width, height) == (1250, 520), (width, height)
            # Markers drawn inside both plots: pixels neither white nor grey grid.
            coloured = lambda x0, x1: sum(1 for y in range(50, 430) for x in range(x0, x1)
                                          if max(pixels[y][x]) - min(pixels[y][x]) > 60)
            assert coloured(90, 470) > 10 and coloured(560, 940) > 10
            # The report script on a folder of two files made here.
            data = os.path.join(tmp, "data")
            os.makedirs(data)
            for name, rows in (("a.csv", ROWS[:3]), ("b.csv", ROWS[3:])):
                with open(os.path.join(data, name), "w") as f:
                    f.write(HEAD)
                    for usl, usg, angle, hol, dpdx, regime, source in rows:
                        f.write(f"{usl},{usg},{AIR_WATER.format(angle=angle)},{hol},{dpdx},{regime},{source}\n")
            docs = os.path.join(tmp, "docs")
            script = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "validation_report.py")
            subprocess.run([sys.executable, script, data, docs, "--exe", exe, "--rsvg", rsvg], check=True,
                           capture_output=True)
            report = open(os.path.join(docs, "validation.md")).read()
            for part in ("| **all rows** | 6 | 1 | 2 |", "| loop A |", "## Flow pattern", "validation-crossplot.png"):
                assert part in report, part
            assert read_png(os.path.join(docs, "validation-crossplot.png"))[0] == 1250
    print("compare tests passed")


if __name__ == "__main__":
    main()
