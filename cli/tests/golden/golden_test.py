#!/usr/bin/env python3
"""The outputs of the commands the documents show, and of cases of the
command tests, as recorded in expected/: what a change of shape must leave as
it was. Text is compared exactly and numbers to a relative 1e-9, so that a
compiler's or math library's last-digit noise is not a failure while any
change a reader could see is. Each case runs from the repository's root.

usage: golden_test.py PIPEFLOW_EXE [--record NAME ...]
  --record NAME ...   writes those cases' expected/ anew (a change of
                      behaviour records only the cases it means to move)
  --record-all        writes every case anew (a new case, a renamed one)
"""
import os
import re
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


NUMBER = re.compile(rb"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?")
RELATIVE = 1e-9


def same_line(a, b):
    """Equal text between the numbers, and numbers equal to RELATIVE."""
    na, nb = NUMBER.findall(a), NUMBER.findall(b)
    if NUMBER.split(a) != NUMBER.split(b) or len(na) != len(nb):
        return False
    for x, y in zip(na, nb):
        if x == y:
            continue
        fx, fy = float(x), float(y)
        if abs(fx - fy) > RELATIVE * max(abs(fx), abs(fy)):
            return False
    return True


def same(want, got):
    a, b = want.split(b"\n"), got.split(b"\n")
    return len(a) == len(b) and all(x == y or same_line(x, y) for x, y in zip(a, b))


def main():
    exe = os.path.abspath(sys.argv[1])
    args = sys.argv[2:]
    record_all = "--record-all" in args
    to_record = set(args[args.index("--record") + 1:]) if "--record" in args else set()
    known = {name for name, _ in cases()}
    if to_record - known:
        print(f"no such case: {', '.join(sorted(to_record - known))}")
        return 2
    failed = 0
    names = []
    for name, args in cases():
        names.append(name)
        got = run(exe, args)
        path = os.path.join(HERE, "expected", name + ".txt")
        if record_all or name in to_record:
            with open(path, "wb") as f:
                f.write(got)
            continue
        try:
            with open(path, "rb") as f:
                want = f.read()
        except FileNotFoundError:
            want = None
        if want is None or not same(want, got):
            failed += 1
            print(f"FAIL: {name}: the output differs from expected/{name}.txt"
                  + (" (missing)" if want is None else ""))
            if want is not None:
                for k, (a, b) in enumerate(zip(want.splitlines(), got.splitlines())):
                    if a != b and not same_line(a, b):
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
