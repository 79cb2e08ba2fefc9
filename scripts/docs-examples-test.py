#!/usr/bin/env python3
"""Runs every shell and Python block of README.md and docs/*.md as written.

    docs-examples-test.py PIPEFLOW_BIN_DIR [--python-path DIR] [--only FILE]

Each block runs in a fresh folder holding a copy of the repository's
`examples/` (what the documents read) with `build/bin` pointing at the built
command and that folder first on PATH; Python blocks run with the built
package importable. A block passes when it exits 0 and what it shows holds:

- a comment line `#  text` in a shell block (after the command it belongs
  to) shows what the commands print: some line of their output or of the
  files they wrote must read the same, numbers to the precision shown;
- a plain block right after a shell block shows output the same way, line
  by line in order ('...' skips lines).

A block that must not run here (it builds the project, which the test
command does itself, or needs Windows tools) is marked in the document by
the line `<!-- not run: WHY -->` right above it; the reasons are listed.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FENCE = re.compile(r"^```(\w*)\s*$")
NOT_RUN = re.compile(r"^<!--\s*not run:\s*(.+?)\s*-->\s*$")
NUMBER = re.compile(r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?")


def blocks(path):
    """(language, first line number, lines, why-not-run or None) of each fenced block."""
    lines = path.read_text(encoding="utf-8").split("\n")
    out, i = [], 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        j = i + 1
        while j < len(lines) and not lines[j].startswith("```"):
            j += 1
        above = lines[i - 1] if i > 0 else ""
        skip = NOT_RUN.match(above)
        out.append((m.group(1), i + 1, lines[i + 1:j], skip.group(1) if skip else None))
        i = j + 1
    return out


def precision_ok(shown, actual):
    """A number as shown (its decimals) against the one computed."""
    try:
        s, a = float(shown), float(actual)
    except ValueError:
        return shown == actual
    mantissa = shown.lower().split("e")[0]
    decimals = len(mantissa.split(".")[1]) if "." in mantissa else 0
    scale = 10.0 ** int(shown.lower().split("e")[1]) if "e" in shown.lower() else 1.0
    return abs(s - a) <= 0.5 * 10.0 ** -decimals * scale * (1 + 1e-9) + 1e-12 * abs(s)


def same_line(shown, actual):
    """Equal text between the numbers (blanks collapsed), numbers to the precision shown."""
    s, a = " ".join(shown.split()), " ".join(actual.split())
    if NUMBER.split(s) != NUMBER.split(a):
        return False
    ns, na = NUMBER.findall(s), NUMBER.findall(a)
    return len(ns) == len(na) and all(precision_ok(x, y) for x, y in zip(ns, na))


def shown_in(shown, text):
    """A shown line appears somewhere in `text` (a line, or part of one); a
    shown line ending in '...' is the start of one."""
    if shown.rstrip().endswith("..."):
        start = shown.rstrip()[:-3].split()
        return any(same_line(" ".join(start), " ".join(line.split()[:len(start)])) for line in text.split("\n"))
    for line in text.split("\n"):
        if same_line(shown, line):
            return True
        # the shown text may be the end of a longer line ("pipeflow nodal: ...")
        words = len(shown.split())
        tail = " ".join(line.split()[-words:]) if words else ""
        if words and same_line(shown, tail):
            return True
    return False


def shown_in_order(shown_lines, text):
    """A plain output block: its lines in order, '...' skipping any number."""
    actual = [l for l in text.split("\n")]
    k = 0
    for line in shown_lines:
        if not line.strip():
            continue
        if line.strip() == "...":
            continue
        while k < len(actual) and not same_line(line, actual[k]):
            k += 1
        if k == len(actual):
            return line
        k += 1
    return None


def workspace(bin_dir):
    d = Path(tempfile.mkdtemp(prefix="docs-example-"))
    shutil.copytree(ROOT / "examples", d / "examples")
    (d / "build").mkdir()
    os.symlink(bin_dir, d / "build" / "bin")
    return d


def written(d, before):
    """The text of every file a block made in its folder."""
    out = []
    for p in sorted(d.rglob("*")):
        if p.is_file() and p not in before and "build" not in p.parts:
            try:
                out.append(p.read_text(encoding="utf-8", errors="replace"))
            except OSError:
                pass
    return "\n".join(out)


def run_block(lang, code, env, bin_dir):
    d = workspace(bin_dir)
    before = set(p for p in d.rglob("*") if p.is_file())
    try:
        if lang == "python":
            # As a script, as users run it (a Dask cluster's workers import its main module).
            (d / "example.py").write_text(code, encoding="utf-8")
            before.add(d / "example.py")
            cmd = [sys.executable, "example.py"]
        else:
            cmd = ["bash", "-e", "-o", "pipefail", "-c", code]
        p = subprocess.run(cmd, cwd=d, env=env, capture_output=True, text=True, timeout=900)
        return p.returncode, p.stdout + "\n" + p.stderr + "\n" + written(d, before)
    finally:
        shutil.rmtree(d, ignore_errors=True)


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    bin_dir = Path(args[0]).resolve()
    env = dict(os.environ, PATH=f"{bin_dir}:{os.environ.get('PATH', '')}", LC_ALL="C")
    if "--python-path" in args:
        env["PYTHONPATH"] = str(Path(args[args.index("--python-path") + 1]).resolve())
    docs = [ROOT / "README.md"] + sorted((ROOT / "docs").glob("*.md"))
    if "--only" in args:
        docs = [ROOT / args[args.index("--only") + 1]]
    failed, ran, skipped = 0, 0, []
    for doc in docs:
        found = blocks(doc)
        for k, (lang, line, body, why) in enumerate(found):
            if lang not in ("sh", "python"):
                continue
            where = f"{doc.relative_to(ROOT)}:{line}"
            if why:
                skipped.append(f"{where}: {why}")
                continue
            code = "\n".join(body)
            rc, output = run_block(lang, code, env, bin_dir)
            ran += 1
            problems = []
            if rc != 0:
                problems.append(f"exit status {rc}")
            if lang == "sh":
                for l in body:
                    m = re.match(r"^#\s{2}(.*)$", l)
                    if m and not shown_in(m.group(1), output):
                        problems.append(f"shows '{m.group(1)}', not in its output")
            nxt = found[k + 1] if k + 1 < len(found) else None
            if lang == "sh" and nxt and nxt[0] == "" and nxt[1] - line - len(body) <= 3:
                missing = shown_in_order(nxt[2], output)
                if missing is not None:
                    problems.append(f"the output block below shows '{missing}', not in its output")
            if problems:
                failed += 1
                print(f"FAIL {where} ({lang}): " + "; ".join(problems))
                print("  " + "\n  ".join(output.strip().split("\n")[-12:]))
    for s in skipped:
        print(f"not run: {s}")
    print(f"documented examples: {ran - failed} of {ran} ran as written, {len(skipped)} marked not run")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
