#!/usr/bin/env python3
"""The regime map as a picture: renders `pipeflow map` SVG output to PNG with
rsvg-convert and checks that the PNG has the SVG's size and that every cell
of the grid (from `pipeflow map --csv` with the same options) shows, at its
centre pixel, the legend colour of its regime or status.

usage: map_render_test.py PIPEFLOW_EXE [RSVG_CONVERT]
"""
import csv
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

SVG = "{http://www.w3.org/2000/svg}"


def read_png(path):
    """Width, height and rows of (r, g, b) tuples of an 8-bit RGB/RGBA PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (depth, colour, interlace)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    bpp = 4 if colour == 6 else 3
    stride = width * bpp
    raw = zlib.decompress(idat)
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if f == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif f == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 255
        elif f == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 255
        elif f == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        else:
            assert f == 0, f"unknown PNG filter {f}"
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def hex_rgb(text):
    return tuple(int(text[k:k + 2], 16) for k in (1, 3, 5))


def expected_label(row):
    if row["ierr"] == "2":
        return "improper input (status 2)"
    if row["ierr"] == "3":
        return "no regime (status 3)"
    if float(row["dpt"]) == 1e10:
        return "critical-flow limit"
    return row["regime"]


def check_map(exe, rsvg, tmp, name, args):
    svg, png = os.path.join(tmp, name + ".svg"), os.path.join(tmp, name + ".png")
    subprocess.run([exe, "map", *args, "--output", svg], check=True)
    grid = list(csv.DictReader(subprocess.run([exe, "map", *args, "--csv"], check=True, capture_output=True,
                                              text=True).stdout.splitlines()))
    subprocess.run([rsvg, svg, "-o", png], check=True)

    root = ET.parse(svg).getroot()
    width, height, pixels = read_png(png)
    assert (width, height) == (int(root.get("width")), int(root.get("height"))), (width, height)

    plot = next(e for e in root.iter(SVG + "rect") if e.get("id") == "plot")
    x0, y0 = float(plot.get("x")), float(plot.get("y"))
    pw, ph = float(plot.get("width")), float(plot.get("height"))
    legend = next(e for e in root.iter(SVG + "g") if e.get("id") == "legend")
    colour_of = {}
    for entry in legend:
        label = "".join(entry.find(SVG + "text").itertext())
        colour_of[label] = hex_rgb(entry.find(SVG + "rect").get("fill"))
    assert len(set(colour_of.values())) == len(colour_of), "two legend entries share a colour"

    usg = sorted({float(r["usg"]) for r in grid})
    usl = sorted({float(r["usl"]) for r in grid})
    nx, ny = len(usg), len(usl)
    assert nx * ny == len(grid), (nx, ny, len(grid))
    seen = set()
    for r in grid:
        i, j = usg.index(float(r["usg"])), usl.index(float(r["usl"]))
        label = expected_label(r)
        assert label in colour_of, f"legend lacks '{label}'"
        # Centre of cell (i, j); rows rise upward.
        px = int(x0 + (i + 0.5) * pw / nx)
        py = int(y0 + ph - (j + 0.5) * ph / ny)
        got = pixels[py][px]
        assert got == colour_of[label], f"{name}: cell usg={r['usg']} usl={r['usl']} is {got}, " \
                                        f"expected {colour_of[label]} ({label})"
        seen.add(got)
    return seen


def main():
    exe = sys.argv[1]
    rsvg = sys.argv[2] if len(sys.argv) > 2 else "rsvg-convert"
    with tempfile.TemporaryDirectory() as tmp:
        # The default map (horizontal air-water) shows every regime.
        seen = check_map(exe, rsvg, tmp, "default", [])
        assert len(seen) >= 5, f"only {len(seen)} distinct cell colours"
        # A non-square vertical grid over other ranges, on one thread.
        check_map(exe, rsvg, tmp, "vertical", ["--angle", "90", "--nx", "50", "--ny", "30", "--usg-min", "0.05",
                                         "--usl-max", "3", "--jobs", "1"])
        # Improper input everywhere (negative diameter): its own colour and legend entry.
        seen = check_map(exe, rsvg, tmp, "improper", ["--diam", "-1", "--nx", "8", "--ny", "5"])
        assert len(seen) == 1
    print("map render test passed")


if __name__ == "__main__":
    main()
