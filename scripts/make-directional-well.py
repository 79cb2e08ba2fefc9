#!/usr/bin/env python3
"""Writes examples/directional-well.csv: a build-and-hold well to horizontal
whose toe rises, as a well-planning tool exports its survey (MD, Inc, TVD in
feet to two decimals, a byte-order mark, CRLF line ends).

The well, in feet and degrees:
  0 to 2000       vertical (stations every 95 ft, then the kick-off point);
                  one TVD written 0.01 ft above its MD, as exports do
  2000 to 5000    build at 3 deg/100 ft to 90 deg (a circular arc)
  5000 to 6500    horizontal
  6500 to 6800    build at 1 deg/100 ft to 93 deg: the toe rises
  6800 to 8000    hold at 93 deg
On a build arc of radius R, TVD = TVD0 + R (sin I - sin I0)."""
import math
import sys


def stations():
    rows = []
    md = 0.0
    while md < 2000 - 1e-9:
        rows.append((md, 0.0, md + (0.01 if md == 950 else 0.0)))
        md += 95
    rows.append((2000.0, 0.0, 2000.0))
    tvd0, i0, md0 = 2000.0, 0.0, 2000.0
    r = 100 / math.radians(3)
    for k in range(1, 31):
        inc = 3.0 * k
        rows.append((md0 + 100 * k, inc, tvd0 + r * (math.sin(math.radians(inc)) - math.sin(math.radians(i0)))))
    tvd_h = rows[-1][2]
    for md in range(5100, 6501, 100):
        rows.append((float(md), 90.0, tvd_h))
    r2 = 100 / math.radians(1)
    for k in range(1, 4):
        inc = 90.0 + k
        rows.append((6500.0 + 100 * k, inc, tvd_h + r2 * (math.sin(math.radians(inc)) - 1)))
    tvd_t = rows[-1][2]
    for md in range(6900, 8001, 100):
        rows.append((float(md), 93.0, tvd_t + (md - 6800) * math.cos(math.radians(93))))
    return rows


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "examples/directional-well.csv"
    with open(out, "w", encoding="utf-8-sig", newline="") as f:
        f.write("MD,Inc,TVD\r\n")
        for md, inc, tvd in stations():
            f.write(f"{md:.2f},{inc:.2f},{tvd:.2f}\r\n")


if __name__ == "__main__":
    main()
