#!/usr/bin/env python3
"""A lift-curve table with an ALQ axis of lift-gas rates (GRAT) against OPM
Flow: the 8000 ft oil well with lift gas entering at 7,500 ft, its table
made by `pipeflow vfp --alq-kind grat`, and the deck of opm_flow_test.py with
its producer on wellhead-pressure control run twice: (1) at a fixed lift gas
(WCONPROD item 12) and (2) with LIFTOPT/WLIFTOPT allocating it, the THP limit
lowered half way so that the allocation moves. In both, at every report step
Flow's bottom-hole pressure equals our table interpolated (multilinear in
the five axes) at Flow's THP, liquid rate, water cut, GOR and lift gas
(WGLIR) within 0.01 bar; in (2) the lift gas changes over the run; and a
node of the table equals a direct `pipeflow traverse` lifted with that gas.

usage: opm_flow_lift_test.py PIPEFLOW_EXE EXAMPLES_DIR
"""
import itertools
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from opm_flow_test import DECK, TOL, WELL  # noqa: E402

LIFT = ["--injection-depth", "7500ft"]
ALQ = "0,10000,25000,50000,100000 Sm3/d"
FIXED_ALQ = 25000.0  # sm3/d


def parse(text):
    """Axes and BHP records of a VFPPROD keyword with an ALQ axis (deck units)."""
    body = " ".join(line.split("--")[0] for line in text.splitlines())
    body = body[body.index("VFPPROD") + len("VFPPROD"):]
    records = [r.split() for r in body.split("/")]
    axes = [[float(x) for x in records[k]] for k in (1, 2, 3, 4, 5)]  # flo, thp, wfr, gfr, alq
    bhp = {}
    for r in records[6:]:
        if len(r) < 5:
            continue
        bhp[tuple(int(x) - 1 for x in r[:4])] = [float(x) for x in r[4:]]
    return axes, bhp


def interpolate(table, q, p, w, g, a):
    (flo, thp, wfr, gfr, alq), bhp = table

    def seg(axis, x):
        if len(axis) < 2:
            return 0, 0.0
        i = max(1, min(len(axis) - 1, sum(1 for v in axis if v <= x))) - 1
        return i, (x - axis[i]) / (axis[i + 1] - axis[i])
    parts = [seg(thp, p), seg(wfr, w), seg(gfr, g), seg(alq, a), seg(flo, q)]
    total = 0.0
    for ups in itertools.product((0, 1), repeat=5):
        weight = 1.0
        for (i, f), up in zip(parts, ups):
            weight *= f if up else 1 - f
        if weight == 0:
            continue
        (t, _), (ww, _), (gg, _), (aa, _), (qq, _) = parts
        total += weight * bhp[(t + ups[0], ww + ups[1], gg + ups[2], aa + ups[3])][qq + ups[4]]
    return total


def run_flow(tmp, name, deck):
    from opm.io.ecl import ESmry
    with open(os.path.join(tmp, name + ".DATA"), "w") as f:
        f.write(deck)
    run = subprocess.run(["flow", name + ".DATA", "--output-dir=" + name], cwd=tmp, capture_output=True, text=True,
                         env=dict(os.environ, OMP_NUM_THREADS="1"), timeout=600)
    assert run.returncode == 0, run.stdout[-3000:] + run.stderr[-3000:]
    smry = ESmry(os.path.join(tmp, name, name + ".SMSPEC"))
    return {k: list(smry[k + ":PROD"]) for k in ("WBHP", "WTHP", "WLPR", "WWCT", "WGOR", "WGLIR")}


def against_table(table, series):
    """The largest difference between Flow's BHP and our table at Flow's state, bar."""
    worst = 0.0
    for bhp, thp, q, w, g, a in zip(*(series[k] for k in ("WBHP", "WTHP", "WLPR", "WWCT", "WGOR", "WGLIR"))):
        ours = interpolate(table, q, thp, w, g, a)
        assert abs(ours - bhp) <= 0.01, (bhp, ours, thp, q, w, g, a)
        worst = max(worst, abs(ours - bhp))
    return worst


def main():
    exe, examples = sys.argv[1], sys.argv[2]
    well = [a if a != "oil-well.csv" else os.path.join(examples, "oil-well.csv") for a in WELL]
    summary = DECK.replace("WGOR\n 'PROD' /\n", "WGOR\n 'PROD' /\nWGLIR\n 'PROD' /\n")
    producer = "WCONPROD\n 'PROD' 'OPEN' 'THP' 5* 1* 25 1 /\n/\n"
    assert producer in summary
    fixed = summary.replace(producer, f"WCONPROD\n 'PROD' 'OPEN' 'THP' 5* 1* 25 1 {FIXED_ALQ:.0f} /\n/\n")
    optimised = summary.replace(producer + "TSTEP\n 6*30 /\n",
                                "WCONPROD\n 'PROD' 'OPEN' 'THP' 5* 1* 25 1 0 /\n/\nLIFTOPT\n 5000 1E-4 0.0 YES /\n"
                                "WLIFTOPT\n 'PROD' 'YES' 100000 1.0 0.0 /\n/\nTSTEP\n 3*30 /\n"
                                "WCONPROD\n 'PROD' 'OPEN' 'THP' 5* 1* 12 1 /\n/\nTSTEP\n 3*30 /\n")
    assert optimised != summary
    with tempfile.TemporaryDirectory() as tmp:
        text = subprocess.run(
            [exe, "vfp", *well, *TOL, *LIFT, "--rates", "20,50,100,200,400,800,1600 Sm3/d", "--thp", "10,25,40 bar",
             "--water-cut", "0,0.2,0.5", "--gor", "50,100,200 Sm3/Sm3", "--alq", ALQ, "--alq-kind", "grat",
             "--fill", "extrapolate", "--deck-units", "metric"], check=True, capture_output=True, text=True).stdout
        assert "'THP'  'GRAT'  'METRIC'" in text
        with open(os.path.join(tmp, "vfp.inc"), "w") as f:
            f.write(text)
        table = parse(text)
        one = run_flow(tmp, "FIXED", fixed)
        assert all(abs(a - FIXED_ALQ) < 1e-6 for a in one["WGLIR"]), one["WGLIR"]
        worst_fixed = against_table(table, one)
        two = run_flow(tmp, "OPTIMISED", optimised)
        allocated = sorted(set(round(a) for a in two["WGLIR"]))
        assert len(allocated) >= 2, ("Flow did not change the lift gas over the run", two["WGLIR"])
        worst_optimised = against_table(table, two)
        # A node: THP 25 bar, WCT 0.2, GOR 100, ALQ 25000 sm3/d, 400 sm3/d.
        (flo, thp, wfr, gfr, alq), bhp = table
        direct = json.loads(subprocess.run(
            [exe, "traverse", *well, *TOL, "--flow-direction", "decreasing", "--outlet-pres", f"{thp[1]}bar",
             "--liquid-rate", f"{flo[4]} Sm3/d", "--water-cut", f"{wfr[1]}", "--gor", f"{gfr[1]} Sm3/Sm3",
             "--lift-gas-rate", f"{alq[2]} Sm3/d", *LIFT, "--json"],
            check=True, capture_output=True, text=True).stdout)["summary"]["inlet_pres"] / 1e5
        assert abs(direct - bhp[(1, 1, 1, 2)][4]) <= 0.01, (direct, bhp[(1, 1, 1, 2)][4])
        print(f"OPM Flow with lift gas: fixed ALQ {FIXED_ALQ:.0f} sm3/d, {len(one['WBHP'])} steps, WBHP within "
              f"{worst_fixed:.2e} bar; LIFTOPT allocated {[round(a) for a in two['WGLIR']]} sm3/d over "
              f"{len(two['WBHP'])} steps, WBHP within {worst_optimised:.2e} bar; node against a lifted traverse "
              f"{abs(direct - bhp[(1, 1, 1, 2)][4]):.1e} bar")


if __name__ == "__main__":
    main()
