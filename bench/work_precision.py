#!/usr/bin/python3
"""Work against precision of the march: for three lines (the README oil well,
the gas-rich well, the 10 km pipeline) and every method, the evaluations one
traverse takes and its error against a converged answer (1e-3 Pa per
segment), at several tolerances. Output points are not asked for (one at each
end), so that the evaluations are the march's own.

usage: bench/work_precision.py build/bin/pipeflow [--tol LIST] [--methods LIST] [--markdown]

Runs the command; reads nothing else. Takes a few minutes (the reference
traverses at 1e-3 Pa are the long ones)."""
import argparse
import json
import subprocess
import sys

EXAMPLES = __file__.rsplit("/", 2)[0] + "/examples"
WELL = ["--profile", EXAMPLES + "/oil-well.csv", "--diam", "2.441in", "--rough", "0.0006in",
        "--flow-direction", "decreasing", "--outlet-pres", "200psia", "--temp-in", "180degF", "--temp-out", "100degF",
        "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07"]
CASES = {
    "oil well": WELL + ["--oil-rate", "1000 STB/d", "--water-rate", "300 STB/d", "--gor", "600 scf/STB"],
    "gas-rich well": WELL + ["--liquid-rate", "1300 STB/d", "--water-cut", "5%", "--glr", "2e4 scf/STB"],
    "pipeline": ["--profile", EXAMPLES + "/pipeline-profile.csv", "--diam", "0.15", "--rough", "4.6e-5",
                 "--liquid-rate", "8", "--gas-rate", "1.2", "--rol", "850", "--visl", "5e-3", "--sigma", "0.02",
                 "--gas-molar-mass", "18", "--visg", "1.2e-5", "--temp", "300", "--inlet-pres", "5e6"],
}
METHODS = ["model", "beggs-brill", "hagedorn-brown", "gray", "mukherjee-brill", "no-slip"]
PSI = 6894.757293168361


def far_end(exe, args, method, tol):
    """The far end's pressure (Pa) and the evaluations, or None where the march did not finish."""
    out = subprocess.run([exe, "traverse", *args, "--method", method, "--tol", str(tol), "--output-step", "1e6",
                          "--json"], capture_output=True, text=True)
    if out.returncode != 0:
        return None
    s = json.loads(out.stdout)["summary"]
    return (s["outlet_pres"] if "--inlet-pres" in args else s["inlet_pres"]), s["evaluations"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("exe")
    ap.add_argument("--tol", default="1,10,100,1000")
    ap.add_argument("--methods", default=",".join(METHODS))
    ap.add_argument("--markdown", action="store_true")
    a = ap.parse_args()
    tols = [float(t) for t in a.tol.split(",")]
    print("| line | method | reference (1e-3 Pa) | " + " | ".join(f"tol {t:g} Pa: evaluations, error psi" for t in tols) + " |")
    print("|---|---|---|" + "---|" * len(tols))
    for case, args in CASES.items():
        for method in a.methods.split(","):
            if case == "pipeline" and method in ("hagedorn-brown", "gray"):
                continue  # methods of wells, not of a near-horizontal line
            ref = far_end(a.exe, args, method, 1e-3)
            if ref is None:
                print(f"| {case} | {method} | did not finish | " + " | ".join("" for _ in tols) + " |")
                continue
            cells = []
            for t in tols:
                r = far_end(a.exe, args, method, t)
                cells.append("did not finish" if r is None else f"{r[1]}, {abs(r[0] - ref[0]) / PSI:.4f}")
            print(f"| {case} | {method} | {ref[0] / PSI:.3f} psia, {ref[1]} | " + " | ".join(cells) + " |")
            sys.stdout.flush()


if __name__ == "__main__":
    main()
