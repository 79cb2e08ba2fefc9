#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/entry, csv,
profile, table, units, request, nodal-vfp). Seeds kept from earlier findings stay beside them.

Entry seeds use the harness's encoding: a little-endian 16-bit message-buffer
size (taken modulo 401), then per input a tag byte 0 and the eight bytes of
the double (raw IEEE bits), or a tag byte 3 for the typical value.
Unit seeds: one byte choosing the dimensions (see fuzz_units.cpp), then the text.
Run from anywhere; it rewrites the seeds it names.
"""
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
NAN, INF = float("nan"), float("inf")

# usl, usg, rol, rog, visl, visg, rough, sigma, diam, angle, pres
AIR_WATER = [0.1, 5.0, 1000.0, 1.2, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 0.0, 101300.0]


def aw(usl, usg, angle=0.0):
    v = list(AIR_WATER)
    v[0], v[1], v[9] = usl, usg, angle
    return v


ENTRY = {
    # One case of each regime, horizontal, downward, upward and vertical.
    "strat_smooth": (256, aw(0.001, 0.01)),
    "strat_wavy": (256, aw(0.001, 8.85867)),
    "annular": (256, aw(0.001, 37.9269)),
    "annular_iter99": (256, aw(0.0183298, 100.0)),
    "slug": (256, aw(0.0183298, 2.06914)),
    "bubble": (256, aw(3.79269, 0.01)),
    "down10_slug": (256, aw(0.545559, 8.85867, -10.0)),
    "up10_slug": (256, aw(0.001, 0.112884, 10.0)),
    "vertical_slug": (256, aw(0.001, 0.297635, 90.0)),
    "vertical_annular": (256, aw(0.001, 37.9269, 90.0)),
    # Oil-gas cases at high pressure.
    "oil_slug": (256, [1.08674, 2.55023, 788.628, 36.9035, 0.00476813, 2.10231e-05, 6.72762e-05, 0.0199715, 0.124023, -76.8217, 1.11688e06]),
    "oil_wavy": (256, [0.864497, 0.449214, 959.882, 14.88, 0.000336936, 2.1337e-05, 2.77623e-05, 0.0199513, 0.408724, -17.3617, 1.39686e06]),
    "oil_annular": (256, [0.0566813, 42.6913, 904.425, 89.9504, 0.0290326, 1.171e-05, 4.38784e-05, 0.0618015, 0.407945, 64.4615, 1.53174e07]),
    # Critical-flow limit and just below it.
    "critical": (160, [1.0, 10.0, 1000.0, 10.0, 1e-3, 1.5e-5, 4.5e-5, 0.03, 0.1, 0.0, 11000.0]),
    "near_critical": (160, [1.0, 10.0, 1000.0, 10.0, 1e-3, 1.5e-5, 4.5e-5, 0.03, 0.1, 0.0, 11002.0]),
    # Small gas flow, gas flow exactly at the threshold, no liquid.
    "no_gas": (160, [0.01, 0.0, 1000.0, 10.0, 1e-3, 1.5e-5, 4.5e-5, 0.03, 0.1, 0.0, 5e6]),
    "gas_threshold": (160, [0.01, 1e-6, 1000.0, 10.0, 1e-3, 1.5e-5, 4.5e-5, 0.03, 0.1, 0.0, 5e6]),
    "no_liquid": (160, [0.0, 5.0, 1000.0, 10.0, 1e-3, 1.5e-5, 4.5e-5, 0.03, 0.1, 0.0, 5e6]),
    # Corrected density, rejected input, non-finite input, short buffers.
    "equal_density": (40, [1.0, 2.0, 800.0, 800.0, 1e-3, 1.5e-5, 4.5e-5, 0.03, 0.1, 0.0, 5e6]),
    "low_sigma": (100, [1.0, 2.0, 1000.0, 10.0, 1e-3, 1.5e-5, 4.5e-5, 9.9e-6, 0.1, 0.0, 5e6]),
    "nan_angle": (2, aw(0.1, 5.0, NAN)),
    "inf_usl": (1, aw(INF, 5.0)),
    "zero_diam": (0, aw(0.1, 5.0)[:8] + [0.0, 0.0, 101300.0]),
    "tiny_gas_density": (400, [0.1, 5.0, 1000.0, 1e-10, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 0.0, 101300.0]),
}


def entry_bytes(lmsg, values):
    out = struct.pack("<H", lmsg)
    for v in values:
        out += b"\x00" + struct.pack("<d", v)
    return out


CSV_HEAD = "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n"
CSV = {
    "plain.csv": CSV_HEAD + "0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n"
                 "3.79269,0.01,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,-10,101300\n",
    "reordered.csv": "pres,angle,diam,sigma,rough,visg,visl,rog,rol,usg,usl,note\n"
                     "101300,90,0.05,0.072,1.5e-06,1.8e-05,0.001,1.2,1000,0.3,0.001,vertical\n",
    "quoted.csv": '"usl","usg",rol,rog,visl,visg,rough,sigma,diam,angle,pres,"a ""note"""\n'
                  '"0.1", 5 ,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300,"x,y"\n',
    "crlf_blank.csv": CSV_HEAD.replace("\n", "\r\n") + "\r\n  \r\n"
                      "0.01,0,1000,10,0.001,1.5e-05,4.5e-05,0.03,0.1,0,5e6\r\n",
    "malformed.csv": CSV_HEAD + "0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0\n"
                     "0.1,five,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n"
                     '"0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n'
                     '"0.1"x,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n'
                     "0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n",
    "special.csv": CSV_HEAD + "nan,inf,-inf,1e-400,1e400,0x1p-3,-0,1e-10,0,1e308,100\n"
                   "1,10,1000,10,0.001,1.5e-05,4.5e-05,0.03,0.1,0,11000\n",
    "missing_column.csv": "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle\n1,2,3,4,5,6,7,8,9,10\n",
    "duplicate_column.csv": "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres,usl\n1,2,3,4,5,6,7,8,9,10,11,12\n",
    "bad_header.csv": '"usl,usg,rol\n1,2\n',
    "empty.csv": "",
    "blank_only.csv": " \n\t\n\r\n",
    "no_newline.csv": CSV_HEAD + "0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300",
}


# Surveys and pipeline profiles as users bring them.
BOM = "\ufeff"
PROFILE = {
    "md_tvd.csv": "md,tvd\n0,0\n1000,1000\n2000,1900\n",
    "survey_ft.csv": BOM + "MD,Inc,TVD\r\n0.00,0.00,0.00\r\n95.00,0.00,95.00\r\n190.00,0.00,190.01\r\n"
                     "290.00,3.00,289.95\r\n",
    "units_in_headers.csv": " MD (ft) ,Inc (deg),Azi (deg),TVD [ft],NS,EW,DLS,Comment,\n0,0,0,0,0,0,0,top,\n"
                            "100,10,45,99.49,6.2,6.2,10,,\n",
    "inc_azi.csv": "md_m,inc,azi\n0,0,0\n500,30,10\n900,90,80\n1200,95,200\n",
    "semicolon.csv": "md;z;diam;temp_degC\n0;0;0,15;25\n1500;-25,5;0,15;30\n",
    "tab.csv": "md\tangle\trough\n0\t-5\t4.6e-5\n100\t3,5\t4.6e-5\n",
    "decimal_comma.csv": "md,z,diam\n0,0,0.15\n1500,-25,5,0.15\n",
    "pipeline.csv": "md,z,diam,rough,temp\n0,0,0.15,4.6e-5,300\n1500,-12,0.15,4.6e-5,298\n3000,40,0.2,4.6e-5,295\n",
    "not_vertical.csv": "md,tvd\n0,0\n100,100.5\n",
    "quoted.csv": '"md","z"\n"0","0"\n"1e3","-1e2"\n',
    "tsurr.csv": "md,tvd,tsurr (degC)\n0,0,7\n145.9,145.9,7\n2700,2650,105\n",
}
TABLE = {
    "grid.csv": "pres,temp,rol,rog,visl,visg,sigma\n1e5,290,800,1,1e-3,1e-5,0.02\n1e5,310,790,0.9,9e-4,1.1e-5,0.019\n"
                "2e6,290,805,20,1e-3,1.2e-5,0.018\n2e6,310,795,18,9e-4,1.3e-5,0.017\n",
    "ragged.csv": "pres,temp,rol,rog,visl,visg,sigma\n1e5,300,1000,1,1e-3,1e-5,0.07\n2e5,300,1000,2,1e-3,1e-5,0.07\n"
                  "2e5,310,1000,2,1e-3,1e-5,0.07\n",
    "reordered.csv": "sigma,visg,visl,rog,rol,temp,pres,note\n0.02,1e-5,1e-3,1,800,300,1e5,a\n0.02,1e-5,1e-3,2,800,300,2e5,b\n",
    "heats.csv": "pres,temp,rol,rog,visl,visg,sigma,cpl,cpg\n1e5,290,800,1,1e-3,1e-5,0.02,2000,2200\n"
                 "1e5,310,790,0.9,9e-4,1.1e-5,0.019,2050,2250\n",
}
UNITS = {
    "pressure_psia": (3, "220psia"), "pressure_psig": (3, "185.304 psig"), "pressure_barg": (3, "10barg"),
    "pressure_psi": (3, "200 psi"), "temperature_bare": (5, "25"), "temperature_degF": (5, "180degF"),
    "length_in": (1, "2.441in"), "rate_stb": (7, "1300 STB/d"), "ratio_scf": (8, "2e4 scf/STB"),
    "fraction_pct": (13, "5%"), "exponent": (1, "1.5e-3 m"), "garbage": (9, "-.e+ furlongs"),
    "geothermal_gradient": (28, "1.5degF/100ft"), "u_value": (23, "2 Btu/hr/ft2/degF"), "time_days": (26, "30d"),
}


def main():
    for name in ("entry", "csv", "profile", "table", "units"):
        os.makedirs(os.path.join(HERE, "corpus", name), exist_ok=True)
    for name, text in PROFILE.items():
        with open(os.path.join(HERE, "corpus", "profile", name), "wb") as f:
            f.write(text.encode())
    for name, text in TABLE.items():
        with open(os.path.join(HERE, "corpus", "table", name), "wb") as f:
            f.write(text.encode())
    for name, (dims, text) in UNITS.items():
        with open(os.path.join(HERE, "corpus", "units", name), "wb") as f:
            f.write(bytes([dims]) + text.encode())
    for name, (lmsg, values) in ENTRY.items():
        assert len(values) == 11, name
        with open(os.path.join(HERE, "corpus", "entry", name), "wb") as f:
            f.write(entry_bytes(lmsg, values))
    with open(os.path.join(HERE, "corpus", "entry", "typical"), "wb") as f:
        f.write(struct.pack("<H", 160) + b"\x03" * 11)
    for name, text in CSV.items():
        with open(os.path.join(HERE, "corpus", "csv", name), "wb") as f:
            f.write(text.encode())

    # Requests: bytes as fuzz_request.cpp draws them; a fixed sequence of
    # random wells (every branch's selector byte, every value byte).
    rng = random.Random(1210)
    os.makedirs(os.path.join(HERE, "corpus", "request"), exist_ok=True)
    for k in range(24):
        with open(os.path.join(HERE, "corpus", "request", f"well_{k:02d}"), "wb") as f:
            f.write(bytes(rng.randrange(256) for _ in range(64)))

    # Nodal analyses and tables: bytes as fuzz_nodal_vfp.cpp draws them.
    rng = random.Random(46)
    os.makedirs(os.path.join(HERE, "corpus", "nodal-vfp"), exist_ok=True)
    for k in range(12):
        with open(os.path.join(HERE, "corpus", "nodal-vfp", f"well_{k:02d}"), "wb") as f:
            f.write(bytes(rng.randrange(256) for _ in range(48)))


if __name__ == "__main__":
    main()
