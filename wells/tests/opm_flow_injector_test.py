#!/usr/bin/env python3
"""The injection table against OPM Flow: a VFPINJ of the 8000 ft well made by
`pipeflow vfp --injector water`, a small black-oil deck of our own with a
water injector on wellhead-pressure control naming the table (and a producer
on bottom-hole pressure to take the water), Flow run on it, and at every
time step Flow's bottom-hole pressure of the injector equal to our table
interpolated (bilinear in rate and THP, as Flow does) at Flow's injection
rate and THP within 0.01 bar, by this script and by `pipeflow vfp-check --at`
(whose inverse gives Flow's THP back from its BHP); a node of the table equal
to a direct `pipeflow traverse` of water flowing down from its THP; and with
a table whose axes Flow leaves, Flow's extrapolation equal to vfp-check's.

Flow is run with --enable-well-operability-check=false: with it, Flow 2022.10
shuts an injector on THP control after its first step, comparing the
bottom-hole pressure with the THP limit.

usage: opm_flow_injector_test.py PIPEFLOW_EXE EXAMPLES_DIR
"""
import json
import os
import re
import subprocess
import sys
import tempfile

from opm_small_deck import small_deck

WELL = ["--profile", "oil-well.csv", "--diam", "2.441in", "--rough", "0.0006in", "--temp-in", "80degF",
        "--temp-out", "180degF", "--water-gravity", "1.03"]
TOL = ["--tol", "100"]
THPS = (60, 90)  # bar: the THP limits of the two periods

DECK = small_deck("INJECTION TABLE CHECK", "2 3 1 2", runspec="VFPIDIMS\n 20 20 1 /\n", summary="""WBHP
 'INJ' /
WTHP
 'INJ' /
WWIR
 'INJ' /
""",
                  schedule="""WELSPECS
 'PROD' 'G' 5 5 2438.4 'OIL' /
 'INJ' 'G' 1 1 2438.4 'WATER' /
/
COMPDAT
 'PROD' 5 5 1 3 'OPEN' 1* 1* 0.2 /
 'INJ' 1 1 1 3 'OPEN' 1* 1* 0.2 /
/
WCONPROD
 'PROD' 'OPEN' 'BHP' 5* 150 /
/
WCONINJE
 'INJ' 'WATER' 'OPEN' 'THP' 3000 1* 600 {thp} 1 /
/
TSTEP
 6*30 /
WCONINJE
 'INJ' 'WATER' 'OPEN' 'THP' 3000 1* 600 {thp2} 1 /
/
TSTEP
 6*30 /
""")


def parse_vfpinj(text):
    """FLO, THP and the BHP rows of one VFPINJ keyword (deck units), comments dropped."""
    body = " ".join(line.split("--")[0] for line in text.splitlines())
    body = body[body.index("VFPINJ") + len("VFPINJ"):]
    records = [r.split() for r in body.split("/")]
    flo, thp = ([float(x) for x in records[k]] for k in (1, 2))
    bhp = {}
    for r in records[3:]:
        if len(r) >= 2:
            bhp[int(r[0]) - 1] = [float(x) for x in r[1:]]
    return flo, thp, bhp


def interpolate(table, q, p):
    flo, thp, bhp = table

    def seg(axis, x):
        i = max(1, min(len(axis) - 1, sum(1 for a in axis if a <= x))) - 1
        return i, (x - axis[i]) / (axis[i + 1] - axis[i])
    (it, ft), (iq, fq) = seg(thp, p), seg(flo, q)
    return sum((ft if dt else 1 - ft) * (fq if dq else 1 - fq) * bhp[it + dt][iq + dq] for dt in (0, 1) for dq in (0, 1))


def flow_run(exe, well, tmp, rates, thps):
    """The table on these axes, checked by vfp-check, and Flow run through it:
    the table's text and the steps injecting, (WBHP, WTHP, WWIR) each."""
    table_text = subprocess.run(
        [exe, "vfp", *well, *TOL, "--injector", "water", "--rates", rates, "--thp", thps, "--deck-units", "metric"],
        check=True, capture_output=True, text=True).stdout
    assert re.search(r"^  1  2438.4  'WAT'  'THP'  'METRIC'  'BHP' /$", table_text, re.M), table_text
    with open(os.path.join(tmp, "vfp.inc"), "w") as f:
        f.write(table_text)
    check = subprocess.run([exe, "vfp-check", os.path.join(tmp, "vfp.inc")], capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr
    with open(os.path.join(tmp, "INJ.DATA"), "w") as f:
        f.write(DECK.format(thp=THPS[0], thp2=THPS[1]))
    env = dict(os.environ, OMP_NUM_THREADS="1")
    run = subprocess.run(["flow", "INJ.DATA", "--output-dir=out", "--enable-well-operability-check=false"],
                         cwd=tmp, capture_output=True, text=True, env=env, timeout=600)
    assert run.returncode == 0, run.stdout[-3000:] + run.stderr[-3000:]
    from opm.io.ecl import ESmry
    smry = ESmry(os.path.join(tmp, "out", "INJ.SMSPEC"))
    series = {k: list(smry[k + ":INJ"]) for k in ("WBHP", "WTHP", "WWIR")}
    injecting = [(b, t, q) for b, t, q in zip(series["WBHP"], series["WTHP"], series["WWIR"]) if q > 0]
    assert len(injecting) >= 10, series
    assert {round(t) for _, t, _ in injecting} == set(THPS), series["WTHP"]
    return table_text, injecting


def vfp_check_at(exe, tmp, points, asked):
    """`vfp-check --at-file` on the table in tmp: the answers at the points,
    `asked` the column the points give besides flo ("thp" or "bhp")."""
    with open(os.path.join(tmp, "points.csv"), "w") as f:
        f.write(f"flo,{asked}\n" + "".join(f"{q!r},{v!r}\n" for q, v in points))
    out = subprocess.run([exe, "vfp-check", os.path.join(tmp, "vfp.inc"), "--at-file", os.path.join(tmp, "points.csv"),
                          "--json"], check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def main():
    exe, examples = sys.argv[1], sys.argv[2]
    well = [a if a != "oil-well.csv" else os.path.join(examples, "oil-well.csv") for a in WELL]
    with tempfile.TemporaryDirectory() as tmp:
        table_text, injecting = flow_run(exe, well, tmp, "50,100,250,500,1000,1500,2000 Sm3/d", "40,70,100 bar")
        table = parse_vfpinj(table_text)
        worst = 0.0
        for bhp, thp, q in injecting:
            ours = interpolate(table, q, thp)
            worst = max(worst, abs(ours - bhp))
            assert abs(ours - bhp) <= 0.01, (bhp, ours, thp, q)
        # vfp-check reads the table and interpolates it as Flow does, and its
        # inverse gives back Flow's THP from Flow's BHP.
        at = vfp_check_at(exe, tmp, [(q, thp) for _, thp, q in injecting], "thp")
        assert max(abs(a["bhp"] - b) for a, (b, _, _) in zip(at, injecting)) <= 0.01, (at, injecting)
        back = vfp_check_at(exe, tmp, [(q, bhp) for bhp, _, q in injecting], "bhp")
        assert max(abs(a["thp"] - t) for a, (_, t, _) in zip(back, injecting)) <= 0.01, (back, injecting)
        # A node of the table is a traverse of water flowing down from its THP.
        flo, thp, bhp = table
        direct = json.loads(subprocess.run(
            [exe, "traverse", *well, *TOL, "--flow-direction", "increasing", "--inlet-pres", f"{thp[1]}bar",
             "--api", "35", "--gas-gravity", "0.65", "--oil-rate", "0 Sm3/d", "--water-rate", f"{flo[4]} Sm3/d",
             "--gor", "0 Sm3/Sm3", "--json"],
            check=True, capture_output=True, text=True).stdout)["summary"]["outlet_pres"] / 1e5
        assert abs(direct - bhp[1][4]) <= 0.01, (direct, bhp[1][4])
        # A table whose axes Flow leaves (rates above 500 sm3/d, a THP of 90
        # bar above its 70): Flow extrapolates, and so does vfp-check.
        _, beyond_steps = flow_run(exe, well, tmp, "50,250,500 Sm3/d", "40,70 bar")
        beyond = vfp_check_at(exe, tmp, [(q, thp) for _, thp, q in beyond_steps], "thp")
        assert sum(1 for a in beyond if a["beyond"]) >= 5, beyond
        worst_beyond = max(abs(a["bhp"] - b) for a, (b, _, _) in zip(beyond, beyond_steps))
        assert worst_beyond <= 0.01, (beyond, beyond_steps)
        rates = [q for _, _, q in injecting]
        print(f"OPM Flow: {len(injecting)} steps injecting {min(rates):.0f}-{max(rates):.0f} sm3/d at THP "
              f"{THPS[0]} and {THPS[1]} bar; WBHP against our VFPINJ within {worst:.2e} bar (vfp-check --at the "
              f"same, its inverse THP back); node against a traverse {abs(direct - bhp[1][4]):.1e} bar; with axes "
              f"Flow leaves, {sum(1 for a in beyond if a['beyond'])} of {len(beyond)} steps beyond them, vfp-check "
              f"within {worst_beyond:.2e} bar")


if __name__ == "__main__":
    main()
