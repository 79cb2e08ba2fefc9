#!/usr/bin/env python3
"""The traverse picture rendered by rsvg-convert: the regime band shows, at each
point's md, the colour of the regime the CSV output gives there, and the legend
names every regime shown.

usage: traverse_render_test.py PIPEFLOW RSVG_CONVERT EXAMPLES_DIR
"""
import csv
import json
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(__file__))
from map_render_test import hex_rgb, read_png  # noqa: E402

rsvg = None
COLOURS = {"stratified smooth": "#9ad0f0", "stratified wavy": "#0072b2", "annular": "#e69f00",
           "slug": "#009e73", "dispersed bubble": "#cc79a7"}


def check(args, md_key, labels, tmp):
    """Renders the traverse of `args`; its band must show the regimes of its CSV points."""
    svg, png = os.path.join(tmp, "t.svg"), os.path.join(tmp, "t.png")
    subprocess.run(args + ["--svg", "--output", svg], check=True)
    points = list(csv.DictReader(subprocess.run(args + ["--csv"], check=True, capture_output=True,
                                                text=True).stdout.splitlines()))
    ET.parse(svg)  # well-formed
    text = open(svg).read()
    for label in labels:
        assert label in text, label
    subprocess.run([rsvg, svg, "-o", png], check=True)
    width, height, rows = read_png(png)
    assert (width, height) == (900, 620), (width, height)
    md = [float(p[md_key]) for p in points]
    lo, hi = min(md), max(md)
    seen = set()
    # The band spans x 90..700 at y 540..564. Look at its middle row in the
    # middle of each run of steps in one regime (a step is drawn in the
    # regime of its end point), wherever the run is wide enough to see.
    runs = []  # [x0, x1, regime]
    for a, b in zip(points, points[1:]):
        x0, x1 = sorted(90 + 610 * (float(p[md_key]) - lo) / (hi - lo) for p in (a, b))
        if runs and runs[-1][2] == b["regime"]:
            runs[-1][0], runs[-1][1] = min(runs[-1][0], x0), max(runs[-1][1], x1)
        else:
            runs.append([x0, x1, b["regime"]])
    for x0, x1, regime in runs:
        if x1 - x0 < 4:
            continue
        got = rows[552][int((x0 + x1) / 2)]
        want = hex_rgb(COLOURS[regime])
        assert all(abs(g - w) <= 2 for g, w in zip(got, want)), (x0, x1, regime, got, want)
        seen.add(regime)
    assert len(seen) >= 2, seen
    for regime in seen:
        assert f">{regime}</text>" in text, regime
    print("traverse render: band colours match the regimes of", len(points), "points:", sorted(seen))


def check_hatched(args, tmp):
    """Where the model's answers were invalid, the band is hatched (dark stripes) and the legend says so."""
    svg, png = os.path.join(tmp, "h.svg"), os.path.join(tmp, "h.png")
    subprocess.run(args + ["--svg", "--output", svg], check=True, stderr=subprocess.DEVNULL)
    summary = json.loads(subprocess.run(args + ["--json"], check=True, capture_output=True,
                                        text=True).stdout)["summary"]
    points = json.loads(subprocess.run(args + ["--json"], check=True, capture_output=True, text=True).stdout)["points"]
    text = open(svg).read()
    assert "invalid answers" in text
    subprocess.run([rsvg, svg, "-o", png], check=True)
    _, _, rows = read_png(png)
    md = [p["md"] for p in points]
    lo, hi = min(md), max(md)
    x = lambda v: 90 + 610 * (v - lo) / (hi - lo)
    stretches = summary["bridged"] + summary["separated_invalid"]
    assert stretches, summary
    for a, b in stretches:
        xs = range(int(x(a)), int(x(b)) + 2)
        assert any(sum(rows[552][i]) < 200 for i in xs), (a, b)
    # Far from any stretch, the band is the plain regime colour.
    clear = [i for i in range(95, 695) if all(abs(i - x(a)) > 8 and abs(i - x(b)) > 8 and not x(a) <= i <= x(b)
                                               for a, b in stretches)]
    assert clear and all(sum(rows[552][i]) > 200 for i in clear)
    print("traverse render: hatched over", len(stretches), "stretches of invalid answers")


def main():
    global rsvg
    exe, rsvg, examples = sys.argv[1:4]
    pipeline = [exe, "traverse", "--profile", os.path.join(examples, "pipeline-profile.csv"), "--diam", "0.15",
                "--rough", "4.6e-5", "--liquid-rate", "8", "--gas-rate", "1.2", "--rol", "850", "--visl", "5e-3",
                "--sigma", "0.02", "--gas-molar-mass", "18", "--visg", "1.2e-5", "--temp", "300", "--inlet-pres",
                "5e6"]
    well = [exe, "traverse", "--profile", os.path.join(examples, "oil-well.csv"), "--diam", "2.441in", "--rough",
            "0.0006in", "--flow-direction", "decreasing", "--outlet-pres", "200psia", "--temp-in", "180degF",
            "--temp-out", "100degF", "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07",
            "--oil-rate", "1000 STB/d", "--water-rate", "300 STB/d", "--gor", "600 scf/STB", "--output-units",
            "field"]
    with tempfile.TemporaryDirectory() as tmp:
        check(pipeline, "md", ("pressure, kPa", "elevation, m", "holdup, -", "measured depth md, m"), tmp)
        check(well, "md_ft", ("pressure, psia", "elevation, ft", "holdup, -", "measured depth md, ft"), tmp)
        rich = [exe, "traverse", "--profile", os.path.join(examples, "oil-well.csv"), "--diam", "2.441in", "--rough",
                "0.0006in", "--flow-direction", "decreasing", "--outlet-pres", "200psia", "--temp-in", "180degF",
                "--temp-out", "100degF", "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07",
                "--liquid-rate", "1300 STB/d", "--water-cut", "5%", "--glr", "2e4 scf/STB"]
        check_hatched(rich, tmp)


if __name__ == "__main__":
    main()
