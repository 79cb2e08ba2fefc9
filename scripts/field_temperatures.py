#!/usr/bin/env python3
"""The wellhead temperature of the field wells predicted by heat transfer and
compared with what was measured, day by day.

usage: field_temperatures.py FIELD_FOLDER OUT.md [--exe build/bin/pipeflow] [--every N] [--jobs N]

FIELD_FOLDER holds survey_<well>.csv and tests_<well>.csv as `pipeflow match`
reads them (read where they are, never copied). For every N-th day of each
well, `pipeflow traverse` marches from the day's wellhead pressure down to the
gauge with Ramey's heat transfer, the fluid entering at the gauge's measured
temperature; the wellhead temperature it computes is set against the measured
one. Writes a Markdown page of the statistics (what is derived, not the data).

The surroundings as assumed here (the data do not give them): the well is
listed from the rotary kelly bushing, 54.9 m above the sea; air and sea at
7 degC down to the seabed at 145.9 m; below it the rock's temperature linear
from 7 degC to the gauge's own reading at the gauge, a flowing well's gauge
being close to the reservoir's temperature. The completion: U = 10 W/m2/K per
inside wall area (tubing, liquid-filled annulus, casing, cement), a 12.25 in.
hole, the rock's conductivity and diffusivity the command's defaults; the
producing time counted from the well's first day in the file.
"""
import argparse
import concurrent.futures
import csv
import datetime
import json
import os
import statistics
import subprocess
import sys
import tempfile

RKB_SEABED = 145.9  # m TVD from RKB: the seabed, where the surveys begin to deviate
SEA = 7.0           # degC, air and sea water down to the seabed
WELL = ["--diam", "6.094in", "--rough", "0.0006in", "--api", "28.8", "--gas-gravity", "0.898",
        "--water-gravity", "1.10"]
HEAT = ["--heat", "ramey", "--u-value", "10", "--hole-diam", "12.25in"]


def number(row, name):
    for k, v in row.items():
        if k.split(" ")[0] == name:
            return float(v)
    raise KeyError(name)


def survey(path):
    with open(path, newline="") as f:
        return [(float(r["MD (m)"]), float(r["TVD (m)"])) for r in csv.DictReader(f)]


def profile_to_gauge(stations, gauge_md, gauge_temp, path):
    """The survey cut at the gauge, with the surroundings' temperature."""
    rows = [(md, tvd) for md, tvd in stations if md < gauge_md]
    after = next((md, tvd) for md, tvd in stations if md >= gauge_md)
    md0, tvd0 = rows[-1]
    rows.append((gauge_md, tvd0 + (after[1] - tvd0) * (gauge_md - md0) / (after[0] - md0)))
    gauge_tvd = rows[-1][1]

    def surroundings(tvd):
        if tvd <= RKB_SEABED:
            return SEA
        return SEA + (gauge_temp - SEA) * (tvd - RKB_SEABED) / (gauge_tvd - RKB_SEABED)

    with open(path, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["md (m)", "tvd (m)", "tsurr (degC)"])
        for md, tvd in rows:
            w.writerow([f"{md:.2f}", f"{tvd:.3f}", f"{surroundings(tvd):.3f}"])


def predict(exe, profile, row, days):
    oil, water, gas = number(row, "oil_rate"), number(row, "water_rate"), number(row, "gas_rate")
    args = [exe, "traverse", "--profile", profile, *WELL, *HEAT, "--flow-direction", "decreasing",
            "--outlet-pres", f"{number(row, 'whp')}barg", "--temp-in", f"{number(row, 'gauge_temp')}degC",
            "--producing-time", f"{max(days, 1)}d", "--oil-rate", f"{oil} Sm3/d", "--water-rate", f"{water} Sm3/d",
            "--gor", f"{gas / oil} Sm3/Sm3", "--json"]
    p = subprocess.run(args, capture_output=True, text=True)
    if p.returncode != 0:
        return None
    s = json.loads(p.stdout)["summary"]
    return s["outlet_temp"] - 273.15


def well_rows(exe, folder, well, every, jobs):
    stations = survey(os.path.join(folder, f"survey_{well}.csv"))
    with open(os.path.join(folder, f"tests_{well}.csv"), newline="") as f:
        tests = list(csv.DictReader(f))
    first = datetime.date.fromisoformat(tests[0]["test"])
    picked = tests[::every]
    out = []
    with tempfile.TemporaryDirectory() as tmp, concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        futures = []
        for k, row in enumerate(picked):
            path = os.path.join(tmp, f"p{k}.csv")
            profile_to_gauge(stations, number(row, "gauge_md"), number(row, "gauge_temp"), path)
            days = (datetime.date.fromisoformat(row["test"]) - first).days
            futures.append((row, pool.submit(predict, exe, path, row, days)))
        for row, fut in futures:
            out.append((row, fut.result()))
    return out


def page(results, every):
    lines = ["# Wellhead temperatures of two field wells, predicted and measured", "",
             "Made by `scripts/field_temperatures.py` from the daily tests of the Volve wells F-12 and F-14",
             "(read where they are). Every " + str(every) + "th day of each well: `pipeflow traverse --heat ramey`",
             "from the day's wellhead pressure down to the gauge, the fluid entering at the gauge's measured",
             "temperature; the wellhead temperature it gives against the measured one. The surroundings and",
             "the completion are assumed (the data do not give them): see the script's head.", "",
             "| well | days | failed | liquid Sm3/d | measured wellhead °C | predicted °C | ME K | MAE K | within 5 K |",
             "|---|---|---|---|---|---|---|---|---|"]
    for well, rows in results.items():
        ok = [(r, t) for r, t in rows if t is not None]
        err = [t - number(r, "wht") for r, t in ok]
        liquid = [number(r, "oil_rate") + number(r, "water_rate") for r, _ in ok]
        meas = [number(r, "wht") for r, _ in ok]
        pred = [t for _, t in ok]
        lines.append(f"| {well} | {len(rows)} | {len(rows) - len(ok)} | {min(liquid):.0f}–{max(liquid):.0f} | "
                     f"{min(meas):.1f}–{max(meas):.1f} | {min(pred):.1f}–{max(pred):.1f} | "
                     f"{statistics.mean(err):+.1f} | {statistics.mean(abs(e) for e in err):.1f} | "
                     f"{100 * sum(abs(e) <= 5 for e in err) / len(err):.0f} % |")
    lines += ["", "By liquid rate (both wells):", "", "| liquid Sm3/d | days | measured °C (mean) | predicted °C (mean) | ME K |",
              "|---|---|---|---|---|"]
    pairs = [(number(r, "oil_rate") + number(r, "water_rate"), number(r, "wht"), t)
             for rows in results.values() for r, t in rows if t is not None]
    for lo, hi in ((0, 2000), (2000, 3000), (3000, 4000), (4000, 5000), (5000, 10000)):
        band = [(m, t) for q, m, t in pairs if lo <= q < hi]
        if band:
            lines.append(f"| {lo}–{hi} | {len(band)} | {statistics.mean(m for m, _ in band):.1f} | "
                         f"{statistics.mean(t for _, t in band):.1f} | "
                         f"{statistics.mean(t - m for m, t in band):+.1f} |")
    mean_error = statistics.mean(t - m for _, m, t in pairs)
    lines += ["", f"Over all {len(pairs)} days the predicted wellhead is {mean_error:+.1f} K off the measured one "
              f"({'too warm: the method cools these wells too little' if mean_error > 0 else 'too cold'}). "
              "What the comparison rests on and leaves open: the rock's temperature is assumed linear from the "
              "seabed to the gauge's flowing reading, the completion's U and the rock's conductivity are typical "
              "values, not the wells' own; the producing time is counted from the first day in the file, though "
              "the wells were shut in and restarted (a restarted well is colder than its long history makes it, "
              "which is where the low-rate days lie); the black oil's latent heat of the gas leaving solution "
              "comes from Standing's correlation, the gas's real-gas heat capacity is its ideal one."]
    lines += ["", "> Contains data from the Volve field, (c) Equinor ASA and the former Volve licence partners",
              "> (ExxonMobil Exploration and Production Norway AS and Bayerngas Norge AS), used under the",
              "> Equinor Open Data Licence.", ""]
    return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("folder")
    ap.add_argument("out")
    ap.add_argument("--exe", default="build/bin/pipeflow")
    ap.add_argument("--every", type=int, default=5)
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    a = ap.parse_args()
    wells = sorted(f[len("tests_"):-len(".csv")] for f in os.listdir(a.folder) if f.startswith("tests_"))
    if not wells:
        sys.exit(f"field_temperatures: no tests_*.csv in {a.folder}")
    results = {w: well_rows(os.path.abspath(a.exe), a.folder, w, a.every, a.jobs) for w in wells}
    with open(a.out, "w", encoding="utf-8") as f:
        f.write(page(results, a.every))


if __name__ == "__main__":
    main()
