#!/usr/bin/env python3
"""Writes examples/well-tests.csv: thirty synthetic daily well tests of the
example oil well (examples/oil-well.csv, 2.441 in tubing, 35 API oil), as a
production database exports them, for `pipeflow match --measured`.

Each test's gauge pressure (at md 7,900 ft) is made by this project's own
traverse from the test's wellhead pressure with Hagedorn & Brown, its holdup
x 1.08 and friction x 0.90, plus noise of 0.5 % of the wellhead-to-gauge drop
(seeded), rounded as gauges report: so `pipeflow match --tune` should find
that method and those factors. Not measurements: an example to start from.

usage: PYTHONPATH=build/python python3 scripts/make-well-tests.py [OUT]"""
import os
import random
import sys
import tempfile

import flowmodel

HERE = os.path.dirname(os.path.abspath(__file__))
GAUGE_FT = 7900.0


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "examples", "well-tests.csv")
    rng = random.Random(2026)
    with tempfile.TemporaryDirectory() as tmp:
        profile = os.path.join(tmp, "to-gauge.csv")
        with open(profile, "w") as f:
            f.write("md_ft,tvd_ft\n" + "".join(f"{d},{d}\n" for d in range(0, 8000, 1000)) + f"{GAUGE_FT:.0f},{GAUGE_FT:.0f}\n")
        rows = []
        for day in range(30):
            oil = round(rng.uniform(400, 1400))
            water = round(oil * rng.uniform(0.05, 0.6))
            gor = rng.uniform(350, 800)
            whp = round(rng.uniform(150, 350), 1)
            wht = round(rng.uniform(100, 125), 1)
            gauge_t = round(rng.uniform(176, 180), 1)
            r = flowmodel.traverse(profile=profile, flow_direction="decreasing", diam="2.441in", rough="0.0006in",
                                   temp_in=f"{gauge_t}degF", temp_out=f"{wht}degF", outlet_pres=f"{whp}psig",
                                   method="hagedorn-brown", holdup_factor=1.08, friction_factor=0.90,
                                   fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07, oil_rate=f"{oil} STB/d",
                                                            water_rate=f"{water} STB/d", gor=f"{gor} scf/STB"))
            gauge = r.summary["inlet_pres"] / 6894.757293168361 - 14.696
            gauge += 0.005 * (gauge - whp) * rng.gauss(0, 1)
            rows.append(f"2026-03-{day + 1:02d},{oil},{water},{oil * gor / 1000:.1f},{whp},{wht},{GAUGE_FT:.0f},"
                        f"{gauge:.1f},{gauge_t}\n")
    with open(out, "w") as f:
        f.write("date,oil_rate (STB/d),water_rate (STB/d),gas_rate (Mscf/d),whp (psig),wht (degF),gauge_md (ft),"
                "gauge_pres (psig),gauge_temp (degF)\n")
        f.writelines(rows)
    print(f"make-well-tests: {out}, {len(rows)} tests")


if __name__ == "__main__":
    main()
