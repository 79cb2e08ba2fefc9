#!/usr/bin/env python3
"""The model against a folder of measurements: docs/validation.md and its
picture, made from the output of `pipeflow compare`.

usage: validation_report.py DATA_FOLDER OUT_FOLDER [--field FIELD_FOLDER] [--exe build/bin/pipeflow]
                            [--rsvg rsvg-convert]

DATA_FOLDER holds CSV files in the columns of `pipeflow compare` (the eleven
inputs, hol_meas, dpdx_meas, regime_meas, source); they are read where they
are and never copied: the rows of all files go through one temporary file
outside the repository, so that the pooled statistics cover them all and each
paper (the `source` before its note in brackets) is a group. OUT_FOLDER gets
validation.md and validation-crossplot.png. FIELD_FOLDER (the Volve wells:
survey_F-12.csv, tests_F-12.csv, ...) adds the field section: per well,
`pipeflow match --tune` of every method, and field-F-12.png, field-F-14.png.
"""
import argparse
import csv
import datetime
import json
import os
import subprocess
import sys
import tempfile

COLUMNS = ["usl", "usg", "rol", "rog", "visl", "visg", "rough", "sigma", "diam", "angle", "pres",
           "hol_meas", "dpdx_meas", "regime_meas", "source"]
REGIMES = ["stratified smooth", "stratified wavy", "annular", "slug", "dispersed bubble"]
OBSERVED = ["0", "1", "2", "3", "4", "STRAT"]


def run(args):
    return subprocess.run(args, check=False, capture_output=True, text=True)


def fmt(v, digits=1):
    return "–" if v is None else f"{v:.{digits}f}"


def error_table(groups, key, unit):
    rows = [f"| group | N | failed | below | E1 % | E2 % | E3 % | E4 {unit} | E5 {unit} | E6 {unit} | ≤20 % | ≤30 % |",
            "|---|---|---|---|---|---|---|---|---|---|---|---|"]
    g4 = 3 if key == "holdup" else 1
    for name, s in groups:
        if key not in s:
            continue
        e = s[key]
        rows.append(f"| {name} | {e['n']} | {e['failed']} | {e['below_resolution']} | {fmt(e['e1'])} | {fmt(e['e2'])} | {fmt(e['e3'])} | "
                    f"{fmt(e['e4'], g4)} | {fmt(e['e5'], g4)} | {fmt(e['e6'], g4)} | {fmt(e['within20'])} | "
                    f"{fmt(e['within30'])} |")
    return "\n".join(rows)


def regime_table(groups):
    rows = ["| group | N | failed | exact % (of N 0–4) | four classes % |", "|---|---|---|---|---|"]
    for name, s in groups:
        if "regime" not in s:
            continue
        r = s["regime"]
        rows.append(f"| {name} | {r['n']} | {r['failed']} | {fmt(r['exact'])} ({r['n_exact']}) | {fmt(r['coarse'])} |")
    return "\n".join(rows)


def confusion_table(regime):
    rows = ["| observed \\ predicted | " + " | ".join(REGIMES) + " |", "|---" * 6 + "|"]
    labels = [f"{k} {REGIMES[k]}" for k in range(5)] + ["STRAT (smooth or wavy)"]
    for k, label in enumerate(labels):
        counts = regime["confusion"].get(OBSERVED[k], [0] * 5)
        rows.append(f"| {label} | " + " | ".join(str(c) for c in counts) + " |")
    return "\n".join(rows)


def share(counts, k):
    total = sum(counts)
    return 100.0 * counts[k] / total if total else 0.0


def best_recognised(reg):
    """The observed regime the model names most often correctly, as a sentence."""
    shares = [(share(reg["confusion"].get(str(k), [0] * 5), k), k) for k in range(5)
              if sum(reg["confusion"].get(str(k), [0] * 5))]
    best, k = max(shares)
    return f"Observed {REGIMES[k]} flow is recognised best ({best:.0f} % of its observations)."


def methods_table(every, key, stat):
    """Per group, one method per column: `stat` of `key`, the best in bold
    (the lowest mean absolute error, or the highest share within 30 %)."""
    names = [m["method"] for m in every]
    rows = ["| group | N | " + " | ".join(names) + " | closest |", "|---|---|" + "---|" * len(names) + "---|"]
    groups = [("**all rows**", [m["pooled"] for m in every])]
    for g in every[0]["groups"]:
        groups.append((g, [m["groups"][g] for m in every]))
    for name, per in groups:
        if key not in per[0] or per[0][key]["n"] == 0:
            continue
        values = [s.get(key, {}).get(stat) for s in per]
        valid = [v for v in values if v is not None and v == v]
        if not valid:
            continue
        best = min(valid) if stat == "e2" else max(valid)
        cells = [("**" + fmt(v) + "**" if v == best else fmt(v)) if v is not None and v == v else "–" for v in values]
        rows.append(f"| {name} | {per[0][key]['n']} | " + " | ".join(cells) + f" | {names[values.index(best)]} |")
    return "\n".join(rows)


# The field wells as their README describes them: tubing 6.094 in (estimated),
# roughness 0.0006 in (assumed), the operator's PVT densities as API 28.8,
# gas gravity 0.898, water gravity 1.10; depths from RKB, the wellhead
# pressure taken at MD 0.
FIELD_WELL = ["--diam", "6.094in", "--rough", "0.0006in", "--api", "28.8", "--gas-gravity", "0.898",
              "--water-gravity", "1.10"]


def field_section(exe, rsvg, folder, out):
    """Per well, every method's gauge pressure predicted from the wellhead,
    untuned and tuned: the table and a picture."""
    wells = sorted(f[len("tests_"):-len(".csv")] for f in os.listdir(folder) if f.startswith("tests_"))
    text = []
    for well in wells:
        args = [exe, "match", "--profile", os.path.join(folder, f"survey_{well}.csv"), *FIELD_WELL,
                "--measured", os.path.join(folder, f"tests_{well}.csv"), "--tune"]
        res = run(args + ["--json"])
        if res.returncode != 0:
            sys.exit(f"validation_report: pipeflow match failed for {well}: {res.stderr}")
        m = json.loads(res.stdout)
        with tempfile.TemporaryDirectory() as tmp:
            svg = os.path.join(tmp, "field.svg")
            if run(args + ["--svg", "--output", svg]).returncode != 0:
                sys.exit(f"validation_report: pipeflow match --svg failed for {well}")
            subprocess.run([rsvg, svg, "-o", os.path.join(out, f"field-{well}.png")], check=True)
        tuned = {t["method"]: t for t in m["methods"]}
        rows = [f"| method | n | failed | ME bar | MAE bar | ME % | MAE % | ≤5 % | tuned ME bar | tuned MAE bar | "
                f"tuned MAE % | tuned ≤5 % | holdup × | friction × |",
                "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"]
        for u in m["untuned"]:
            t = tuned[u["method"]]
            rows.append(f"| {u['method']} | {u['n']} | {u['failed']} | {u['me'] / 1e5:.2f} | {u['mae'] / 1e5:.2f} | "
                        f"{u['me_drop']:.2f} | {u['mape_drop']:.2f} | {u['within5']:.1f} | {t['me'] / 1e5:.2f} | "
                        f"{t['mae'] / 1e5:.2f} | {t['mape_drop']:.2f} | {t['within5']:.1f} | "
                        f"{t['holdup_factor']:.3f} | {t['friction_factor']:.3f} |")
        text.append(f"### Well {well}: {m['rows']} daily tests\n\n" + "\n".join(rows) +
                    f"\n\n![{well}: gauge pressure predicted from the wellhead against measured, tuned]"
                    f"(field-{well}.png)\n")
    return "\n".join(text)


def reading(pooled, groups, rows):
    """A short reading of the figures: where the model does well and where not."""
    out = []
    d, h = pooled.get("dpdx"), pooled.get("holdup")
    if d and h:
        out.append(
            f"Over all {d['n']} pressure gradients the model is within 30 % of the measurement for "
            f"{d['within30']:.0f} % of the points (E1 {d['e1']:+.1f} %, E2 {d['e2']:.1f} %), and over all "
            f"{h['n']} holdups for {h['within30']:.0f} % (E1 {h['e1']:+.1f} %, E2 {h['e2']:.1f} %). Relative "
            "errors leave out what was measured below the resolution (column 'below': holdups below 0.01, "
            f"gradients below 1 Pa/m; {h['below_resolution']} holdups and {d['below_resolution']} gradients), "
            "where a small absolute error is a large relative one and says nothing; the absolute errors "
            "(E4–E6) keep them.")
    def pipe(name):
        diam = sorted(1000 * float(r["diam"]) for r in rows if r["group"] == name)
        angles = sorted({float(r["angle"]) for r in rows if r["group"] == name})
        slope = f"{angles[0]:g}°" if len(angles) == 1 else f"{angles[0]:g}° to {angles[-1]:g}°"
        return f"{diam[len(diam) // 2]:.0f} mm, {slope}"
    good = sorted(((n, s["dpdx"]) for n, s in groups if "dpdx" in s and s["dpdx"]["n"] >= 20),
                  key=lambda t: -t[1]["within30"])
    if good:
        best = "; ".join(f"{n} ({pipe(n)}: {s['within30']:.0f} % within 30 %, E1 {s['e1']:+.0f} %)"
                         for n, s in good[:4])
        out.append(f"**Where it does well.** The pressure gradient of these papers is predicted closely: {best}.")
    # Low liquid loading: horizontal groups whose median measured holdup is below 0.1.
    low = []
    for name, s in groups:
        hol = sorted(float(r["hol_meas"]) for r in rows if r["group"] == name and r["hol_meas"])
        angles = {float(r["angle"]) for r in rows if r["group"] == name}
        if hol and hol[len(hol) // 2] < 0.1 and max(abs(a) for a in angles) <= 2 and "dpdx" in s:
            low.append((name, s))
    if low:
        parts = "; ".join(f"{n} ({pipe(n)}: gradient E1 {s['dpdx']['e1']:+.0f} %"
                          + (f", holdup E1 {s['holdup']['e1']:+.0f} %" if "holdup" in s else "") + ")"
                          for n, s in low)
        over = [n for n, s in low if "holdup" in s and s["holdup"]["e1"] > 50]
        out.append("**Where it does not.** Stratified flow with little liquid in (nearly) horizontal pipes "
                   f"(median measured holdup below 0.1): {parts}."
                   + (f" In {', '.join(over)} the model over-predicts the holdup by more than half on average, "
                      "and the gradient with it: at the lowest liquid loadings its stratified solution keeps "
                      "too much liquid in the pipe." if over else ""))
    reg = pooled.get("regime")
    if reg:
        ann = reg["confusion"].get("2", [0] * 5)
        wavy = reg["confusion"].get("1", [0] * 5)
        strat = reg["confusion"].get("STRAT", [0] * 5)
        out.append(
            f"**Flow pattern.** Of {reg['n']} observed patterns, {reg['exact']:.0f} % agree exactly (over the "
            f"{reg['n_exact']} observed as one of the five regimes) and {reg['coarse']:.0f} % in four classes. "
            f"{best_recognised(reg)} "
            f"Annular flow is called slug in {share(ann, 3):.0f} % of its observations and stratified in "
            f"{share(ann, 0) + share(ann, 1):.0f} %; stratified wavy flow is called smooth in "
            f"{share(wavy, 0):.0f} % and slug in {share(wavy, 3):.0f} %; of the stratified observations without "
            f"smooth or wavy, {share(strat, 3):.0f} % are called slug.")
    return "\n\n".join(out)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("data")
    ap.add_argument("out")
    ap.add_argument("--exe", default=os.path.join(os.path.dirname(__file__), "..", "build", "bin", "pipeflow"))
    ap.add_argument("--rsvg", default="rsvg-convert")
    ap.add_argument("--field", help="the folder of the field wells' tests and surveys")
    a = ap.parse_args()
    files = sorted(f for f in os.listdir(a.data) if f.endswith(".csv"))
    if not files:
        sys.exit(f"validation_report: no CSV files in {a.data}")
    os.makedirs(a.out, exist_ok=True)
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        merged = os.path.join(tmp, "all.csv")
        with open(merged, "w", newline="") as out:
            w = csv.DictWriter(out, fieldnames=COLUMNS, extrasaction="ignore")
            w.writeheader()
            for f in files:
                with open(os.path.join(a.data, f), newline="", encoding="utf-8-sig") as fin:
                    for r in csv.DictReader(fin):
                        w.writerow(r)
                        r["group"] = r.get("source", "").split("[")[0].strip().strip('"')
                        rows.append(r)
        res = run([a.exe, "compare", "--input", merged, "--json"])
        if res.returncode not in (0, 1):
            sys.exit(f"validation_report: pipeflow compare failed: {res.stderr}")
        stats = json.loads(res.stdout)
        res = run([a.exe, "compare", "--input", merged, "--method", "all", "--json"])
        if res.returncode not in (0, 1):
            sys.exit(f"validation_report: pipeflow compare --method all failed: {res.stderr}")
        every = json.loads(res.stdout)["methods"]
        lab = os.path.join(tmp, "laboratory-data.csv")
        with open(merged, newline="") as fin, open(lab, "w", newline="") as out:
            r = csv.DictReader(fin)
            w = csv.DictWriter(out, fieldnames=r.fieldnames)
            w.writeheader()
            for row in r:
                if row["hol_meas"] or row["dpdx_meas"]:
                    w.writerow(row)
        svg = os.path.join(tmp, "crossplot.svg")
        run([a.exe, "compare", "--input", lab, "--svg", "--output", svg])
        png = os.path.join(a.out, "validation-crossplot.png")
        subprocess.run([a.rsvg, svg, "-o", png], check=True)
    groups = list(stats["groups"].items())
    pooled = stats["pooled"]
    version = run([a.exe, "eval", "--json"]).stdout
    vers = json.loads(version)["vers"] if version else "?"
    text = f"""# Validation: the model against laboratory measurements

Made by `python3 scripts/validation_report.py <folder of measurements> docs/` from
{len(files)} files of public laboratory data ({stats['rows']} rows, {stats['malformed']} malformed),
run through `pipeflow compare` (model version {vers}). The data are not
redistributed here; each file's provenance and assumptions are in the README beside them.
They cover liquid holdup and pressure gradient from test loops (air–water near 1 atm in
13–297 mm pipes at −90° to +90°, natural gas–water at 19–46 bar in a 2-in steel pipe,
oil–nitrogen at 15–29 bar in a 6-in pipe) and observed flow patterns from 20 studies.

Statistics, with e = (predicted − measured)/measured and d = predicted − measured:
E1 = 100·mean(e), E2 = 100·mean(|e|), E3 = 100·std(e), E4 = mean(d), E5 = mean(|d|),
E6 = std(d) (standard deviations with N − 1); ≤20 % and ≤30 %: the share of points
with |e| within 20 % and 30 %. *failed*: rows without a usable prediction (improper
input, no regime, or the critical-flow marker). *below*: rows measured below the
resolution (a holdup below 0.01, a gradient below 1 Pa/m), whose relative error
says nothing: scored in E4–E6 and left out of E1–E3 and the shares. Rows whose
separated solution the model marks invalid are scored like the others.

## Reading

{reading(pooled, groups, rows)}

## Pressure gradient (Pa/m)

{error_table([("**all rows**", pooled)] + groups, "dpdx", "Pa/m")}

## Liquid holdup (fraction)

{error_table([("**all rows**", pooled)] + groups, "holdup", "")}

![Predicted against measured pressure gradient and holdup, one marker per paper](validation-crossplot.png)

## Flow pattern

Exact agreement is over the observations of one of the five regimes; the four
classes are stratified (smooth, wavy, or stratified without saying which),
annular, slug and dispersed bubble, over all observations.

{regime_table([("**all rows**", pooled)] + groups)}

All observations, observed down, predicted across:

{confusion_table(pooled["regime"]) if "regime" in pooled else ""}

## The methods side by side

The same rows through every method of `pipeflow compare --method all`: the
project's model and the classic correlations (Beggs & Brill with Payne et al.'s
holdup factors, with Palmer's, and without; Gray; Mukherjee & Brill; the
no-slip mixture). Each cell is E2, the mean absolute relative error in per
cent, over the rows that method scores; the closest method of each group is
in bold. Most of these data lie outside the ranges the correlations were
fitted on (Beggs & Brill: air–water in 1 and 1.5 in. pipe; Gray: gas wells;
Mukherjee & Brill: a 1.5 in. pipe), which is what a user meets too.

### Pressure gradient, E2 %

{methods_table(every, "dpdx", "e2")}

### Pressure gradient, share within 30 %

{methods_table(every, "dpdx", "within30")}

### Liquid holdup, E2 %

{methods_table(every, "holdup", "e2")}
"""
    if a.field:
        text += f"""
## A real field: the gauge pressure of two wells predicted from the wellhead

Daily well tests of the producing wells F-12 and F-14 of the Volve oil field
(Equinor's open data; read where they are, never copied: provenance, licence
and what is estimated in the README beside them), through `pipeflow match
--tune`: for each day a traverse from the wellhead pressure down to the
downhole gauge at the day's rates, the temperature linear from the wellhead's
to the gauge's, every method untuned and with its holdup and friction
multipliers fitted by least squares (on 150 days spread over the record; the
errors are over all days). Error = predicted − measured gauge pressure, in bar
and in per cent of the measured wellhead-to-gauge drop; ≤5 %: the share of
days within 5 % of their drop. The tubing (6.094 in) is estimated and the
roughness assumed, as that README says: tuning absorbs part of both.

Contains data from the Volve field, (c) Equinor ASA and the former Volve licence partners
(ExxonMobil Exploration and Production Norway AS and Bayerngas Norge AS), used under the
Equinor Open Data Licence.

{field_section(a.exe, a.rsvg, a.field, a.out)}"""
    with open(os.path.join(a.out, "validation.md"), "w") as f:
        f.write(text)
    print(f"validation_report: {os.path.join(a.out, 'validation.md')} from {len(files)} files, {stats['rows']} rows")


if __name__ == "__main__":
    main()
