#!/usr/bin/env python3
"""The lift-curve table against its real client, OPM Flow: a table of the
8000 ft oil well made by `pipeflow vfp`, a small black-oil deck of our own with
one producer on wellhead-pressure control naming the table, Flow run on it,
and at every time step Flow's bottom-hole pressure equal to our table
interpolated (multilinear, extrapolated beyond the axes) at Flow's THP, liquid
rate, water cut and GOR within 0.01 bar; and at a node of the table, the table
equal to a direct `pipeflow traverse` of that entry within 0.01 bar.

usage: opm_flow_test.py PIPEFLOW_EXE EXAMPLES_DIR
"""
import json
import os
import re
import subprocess
import sys
import tempfile

from opm_small_deck import small_deck

WELL = ["--profile", "oil-well.csv", "--diam", "2.441in", "--rough", "0.0006in", "--temp-in", "180degF",
        "--temp-out", "100degF", "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07"]
DATUM = 2438.4  # m: the well's last station, 8000 ft
TOL = ["--tol", "100"]

DECK = small_deck("LIFT CURVE TABLE CHECK", "1 3 1 1", summary="""WBHP
 'PROD' /
WTHP
 'PROD' /
WLPR
 'PROD' /
WWCT
 'PROD' /
WGOR
 'PROD' /
""", schedule="""WELSPECS
 'PROD' 'G' 3 3 2438.4 'OIL' /
/
COMPDAT
 'PROD' 3 3 1 3 'OPEN' 1* 1* 0.2 /
/
WCONPROD
 'PROD' 'OPEN' 'THP' 5* 1* 25 1 /
/
TSTEP
 6*30 /
""")


def parse_vfpprod(text):
    """Axes and BHP records of one VFPPROD keyword (deck units), comments dropped."""
    body = " ".join(line.split("--")[0] for line in text.splitlines())
    body = body[body.index("VFPPROD") + len("VFPPROD"):]
    records = [r.split() for r in body.split("/")]
    flo, thp, wfr, gfr = ([float(x) for x in records[k]] for k in (1, 2, 3, 4))
    bhp = {}
    for r in records[6:]:
        if len(r) < 4:
            continue
        t, w, g, _ = (int(x) - 1 for x in r[:4])
        bhp[(t, w, g)] = [float(x) for x in r[4:]]
    return flo, thp, wfr, gfr, bhp


def interpolate(table, q, p, w, g):
    flo, thp, wfr, gfr, bhp = table

    def seg(axis, x):
        if len(axis) < 2:
            return 0, 0.0
        i = max(1, min(len(axis) - 1, sum(1 for a in axis if a <= x))) - 1
        return i, (x - axis[i]) / (axis[i + 1] - axis[i])
    (it, ft), (iw, fw), (ig, fg), (iq, fq) = seg(thp, p), seg(wfr, w), seg(gfr, g), seg(flo, q)
    total = 0.0
    for dt in (0, 1):
        for dw in (0, 1):
            for dg in (0, 1):
                for dq in (0, 1):
                    wt = (ft if dt else 1 - ft) * (fw if dw else 1 - fw) * (fg if dg else 1 - fg) * (fq if dq else 1 - fq)
                    if wt == 0:
                        continue
                    total += wt * bhp[(it + dt, iw + dw, ig + dg)][iq + dq]
    return total


def main():
    exe, examples = sys.argv[1], sys.argv[2]
    well = [a if a != "oil-well.csv" else os.path.join(examples, "oil-well.csv") for a in WELL]
    with tempfile.TemporaryDirectory() as tmp:
        table_text = subprocess.run(
            [exe, "vfp", *well, *TOL, "--rates", "20,50,100,200,400,800,1600 Sm3/d", "--thp", "10,25,40 bar",
             "--water-cut", "0,0.2,0.5", "--gor", "50,100,200 Sm3/Sm3", "--deck-units", "metric"],
            check=True, capture_output=True, text=True).stdout
        assert re.search(r"^  1  2438.4  'LIQ'  'WCT'  'GOR'  'THP'  ' '  'METRIC'  'BHP' /$", table_text, re.M)
        with open(os.path.join(tmp, "vfp.inc"), "w") as f:
            f.write(table_text)
        with open(os.path.join(tmp, "CHECK.DATA"), "w") as f:
            f.write(DECK)
        env = dict(os.environ, OMP_NUM_THREADS="1")
        run = subprocess.run(["flow", "CHECK.DATA", "--output-dir=out"], cwd=tmp, capture_output=True, text=True,
                             env=env, timeout=600)
        assert run.returncode == 0, run.stdout[-3000:] + run.stderr[-3000:]
        from opm.io.ecl import ESmry
        smry = ESmry(os.path.join(tmp, "out", "CHECK.SMSPEC"))
        table = parse_vfpprod(table_text)
        series = {k: list(smry[k + ":PROD"]) for k in ("WBHP", "WTHP", "WLPR", "WWCT", "WGOR")}
        assert len(series["WBHP"]) >= 10 and min(series["WLPR"]) > 0, series
        worst = 0.0
        for bhp, thp, q, w, g in zip(*(series[k] for k in ("WBHP", "WTHP", "WLPR", "WWCT", "WGOR"))):
            ours = interpolate(table, q, thp, w, g)
            worst = max(worst, abs(ours - bhp))
            assert abs(ours - bhp) <= 0.01, (bhp, ours, thp, q, w, g)
        # A node of the table is a traverse of that entry.
        flo, thp, wfr, gfr, bhp = table
        direct = json.loads(subprocess.run(
            [exe, "traverse", *well, *TOL, "--flow-direction", "decreasing", "--outlet-pres", f"{thp[1]}bar",
             "--liquid-rate", f"{flo[3]} Sm3/d", "--water-cut", f"{wfr[1]}", "--gor", f"{gfr[1]} Sm3/Sm3", "--json"],
            check=True, capture_output=True, text=True).stdout)["summary"]["inlet_pres"] / 1e5
        assert abs(direct - bhp[(1, 1, 1)][3]) <= 0.01, (direct, bhp[(1, 1, 1)][3])
        print(f"OPM Flow: {len(series['WBHP'])} steps, rates {min(series['WLPR']):.0f}-{max(series['WLPR']):.0f} "
              f"sm3/d; WBHP against our table within {worst:.2e} bar; node against a traverse "
              f"{abs(direct - bhp[(1, 1, 1)][3]):.1e} bar")


if __name__ == "__main__":
    main()
