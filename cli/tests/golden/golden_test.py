#!/usr/bin/env python3
"""The outputs of the commands the documents show, and of cases of the
command tests, byte for byte as recorded in expected/: what a change of shape
must leave as it was. Each case runs from the repository's root.

usage: golden_test.py PIPEFLOW_EXE [--record]   (--record writes expected/ anew)
"""
import os
import shlex
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))


def cases():
    with open(os.path.join(HERE, "cases.txt"), encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            name, _, args = line.strip().partition(" ")
            golden = os.path.relpath(HERE, ROOT)
            yield name, [a.replace("{golden}", golden) for a in shlex.split(args)]


def run(exe, args):
    p = subprocess.run([exe, *args], cwd=ROOT, capture_output=True, env={**os.environ, "LC_ALL": "C"})
    return (f"exit: {p.returncode}\n--- stdout\n".encode() + p.stdout + b"\n--- stderr\n" + p.stderr)


def main():
    exe = os.path.abspath(sys.argv[1])
    record = "--record" in sys.argv[2:]
    failed = 0
    names = []
    for name, args in cases():
        names.append(name)
        got = run(exe, args)
        path = os.path.join(HERE, "expected", name + ".txt")
        if record:
            with open(path, "wb") as f:
                f.write(got)
            continue
        try:
            with open(path, "rb") as f:
                want = f.read()
        except FileNotFoundError:
            want = None
        if got != want:
            failed += 1
            print(f"FAIL: {name}: the output differs from expected/{name}.txt"
                  + (" (missing)" if want is None else ""))
            if want is not None:
                for k, (a, b) in enumerate(zip(want.splitlines(), got.splitlines())):
                    if a != b:
                        print(f"  first difference, line {k + 1}:\n  - {a[:200]!r}\n  + {b[:200]!r}")
                        break
    stale = set(f[:-4] for f in os.listdir(os.path.join(HERE, "expected"))) - set(names)
    for name in sorted(stale):
        failed += 1
        print(f"FAIL: expected/{name}.txt has no case")
    print(f"golden outputs: {len(names) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
