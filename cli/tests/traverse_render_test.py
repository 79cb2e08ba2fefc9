#!/usr/bin/env python3
"""The traverse picture rendered by rsvg-convert: the regime band shows, at each
point's md, the colour of the regime the CSV output gives there, and the legend
names every regime shown.

usage: traverse_render_test.py PIPEFLOW RSVG_CONVERT EXAMPLES_DIR
"""
import csv
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(__file__))
from map_render_test import hex_rgb, read_png  # noqa: E402

COLOURS = {"stratified smooth": "#9ad0f0", "stratified wavy": "#0072b2", "annular": "#e69f00",
           "slug": "#009e73", "dispersed bubble": "#cc79a7"}


def main():
    exe, rsvg, examples = sys.argv[1:4]
    args = [exe, "traverse", "--profile", os.path.join(examples, "pipeline-profile.csv"), "--diam", "0.15",
            "--rough", "4.6e-5", "--liquid-rate", "8", "--gas-rate", "1.2", "--rol", "850", "--visl", "5e-3",
            "--sigma", "0.02", "--gas-molar-mass", "18", "--visg", "1.2e-5", "--temp", "300", "--inlet-pres", "5e6"]
    with tempfile.TemporaryDirectory() as tmp:
        svg, png = os.path.join(tmp, "t.svg"), os.path.join(tmp, "t.png")
        subprocess.run(args + ["--svg", "--output", svg], check=True)
        points = list(csv.DictReader(subprocess.run(args + ["--csv"], check=True, capture_output=True,
                                                    text=True).stdout.splitlines()))
        ET.parse(svg)  # well-formed
        text = open(svg).read()
        for label in ("pressure, kPa", "elevation, m", "holdup, -", "measured depth md, m"):
            assert label in text, label
        subprocess.run([rsvg, svg, "-o", png], check=True)
        width, height, rows = read_png(png)
        assert (width, height) == (900, 620), (width, height)
        md = [float(p["md"]) for p in points]
        lo, hi = min(md), max(md)
        seen = set()
        # The band spans x 90..700 at y 540..564; look at its middle row between points.
        for a, b in zip(points, points[1:]):
            x0 = 90 + 610 * (float(a["md"]) - lo) / (hi - lo)
            x1 = 90 + 610 * (float(b["md"]) - lo) / (hi - lo)
            if x1 - x0 < 4:
                continue
            got = rows[552][int((x0 + x1) / 2)]
            want = hex_rgb(COLOURS[b["regime"]])
            assert all(abs(g - w) <= 2 for g, w in zip(got, want)), (b["md"], b["regime"], got, want)
            seen.add(b["regime"])
        assert len(seen) >= 2, seen
        for regime in seen:
            assert f">{regime}</text>" in text, regime
    print("traverse render: band colours match the regimes of", len(points), "points:", sorted(seen))


if __name__ == "__main__":
    main()
