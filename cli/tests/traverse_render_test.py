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
SVG = "{http://www.w3.org/2000/svg}"
COLOURS = {"stratified smooth": "#9ad0f0", "stratified wavy": "#0072b2", "annular": "#e69f00",
           "slug": "#009e73", "dispersed bubble": "#cc79a7"}


def band_geometry(well):
    """Where the regime band lies: (along-axis start, length, across-axis pixel) in page pixels."""
    return (80, 600, 732) if well else (90, 610, 552)


def check(args, md_key, labels, tmp, well=False):
    """Renders the traverse of `args`; its band must show the regimes of its CSV points."""
    svg, png = os.path.join(tmp, "t.svg"), os.path.join(tmp, "t.png")
    subprocess.run(args + ["--svg", "--output", svg], check=True, stderr=subprocess.DEVNULL)
    points = list(csv.DictReader(subprocess.run(args + ["--csv"], check=True, capture_output=True,
                                                text=True).stdout.splitlines()))
    ET.parse(svg)  # well-formed
    text = open(svg).read()
    for label in labels:
        assert label in text, label
    subprocess.run([rsvg, svg, "-o", png], check=True)
    width, height, rows = read_png(png)
    assert (width, height) == ((980, 760) if well else (900, 640)), (width, height)
    md = [float(p[md_key]) for p in points]
    lo, hi = min(md), max(md)
    start, length, across = band_geometry(well)
    pixel = (lambda a: rows[int(a)][across]) if well else (lambda a: rows[across][int(a)])
    seen = set()
    # Look at the middle of the band in the middle of each run of steps in one
    # regime (a step is drawn in the regime of its end point), wherever the run
    # is wide enough to see.
    runs = []  # [a0, a1, regime]
    for a, b in zip(points, points[1:]):
        x0, x1 = sorted(start + length * (float(p[md_key]) - lo) / (hi - lo) for p in (a, b))
        if runs and runs[-1][2] == b["regime"]:
            runs[-1][0], runs[-1][1] = min(runs[-1][0], x0), max(runs[-1][1], x1)
        else:
            runs.append([x0, x1, b["regime"]])
    for x0, x1, regime in runs:
        if x1 - x0 < 4:
            continue
        got = pixel((x0 + x1) / 2)
        want = hex_rgb(COLOURS[regime])
        assert all(abs(g - w) <= 2 for g, w in zip(got, want)), (x0, x1, regime, got, want)
        seen.add(regime)
    assert len(seen) >= 2 or well, seen
    for regime in seen:
        assert f">{regime}</text>" in text, regime
    if well:
        # Depth grows down the page: the pressure curve starts at the top.
        first = ET.parse(svg).getroot().find(SVG + "polyline").get("points").split()
        assert float(first[0].split(",")[1]) < float(first[-1].split(",")[1]), (first[0], first[-1])
    print("traverse render: band colours match the regimes of", len(points), "points:", sorted(seen))


def check_hatched(args, tmp):
    """Where the model's answers were invalid, the band is hatched (dark stripes) and the legend says so."""
    svg, png = os.path.join(tmp, "h.svg"), os.path.join(tmp, "h.png")
    subprocess.run(args + ["--svg", "--output", svg], check=True, stderr=subprocess.DEVNULL)
    out = json.loads(subprocess.run(args + ["--json"], check=True, capture_output=True, text=True).stdout)
    summary, points = out["summary"], out["points"]
    assert "invalid answers" in open(svg).read()
    subprocess.run([rsvg, svg, "-o", png], check=True)
    _, _, rows = read_png(png)
    md = [p["md_ft"] for p in points]
    lo, hi = min(md), max(md)
    start, length, across = band_geometry(True)
    at = lambda v: start + length * (v - lo) / (hi - lo)
    stretches = summary["bridged_ft"] + summary["separated_invalid_ft"]
    assert stretches, summary
    for a, b in stretches:
        assert any(sum(rows[i][across]) < 200 for i in range(int(at(a)), int(at(b)) + 2)), (a, b)
    # Far from any stretch, the band is the plain regime colour.
    clear = [i for i in range(start + 5, start + length - 5)
             if all(abs(i - at(a)) > 8 and abs(i - at(b)) > 8 and not at(a) <= i <= at(b) for a, b in stretches)]
    assert clear and all(sum(rows[i][across]) > 200 for i in clear)
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
        check(pipeline, "md", ("pressure, kPa", "elevation, m", "liquid holdup, -", "distance along the line md, m",
                               "Pressure traverse, pipeline-profile.csv: liquid 8 kg/s, gas 1.2 kg/s; 5000 kPa at the inlet"),
              tmp)
        check(well, "md_ft", ("pressure, psia", "temperature, degF", "liquid holdup, -", "measured depth, ft",
                              "oil 1000 STB/d, water 300 STB/d, gas 600 Mscf/d; 200 psia at the wellhead"), tmp, well=True)
        rich = [exe, "traverse", "--profile", os.path.join(examples, "oil-well.csv"), "--diam", "2.441in", "--rough",
                "0.0006in", "--flow-direction", "decreasing", "--outlet-pres", "200psia", "--temp-in", "180degF",
                "--temp-out", "100degF", "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07",
                "--liquid-rate", "1300 STB/d", "--water-cut", "5%", "--glr", "2e4 scf/STB", "--output-units", "field"]
        check_hatched(rich, tmp)


if __name__ == "__main__":
    main()
