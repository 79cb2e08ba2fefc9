#!/usr/bin/env python3
"""Latencies that tests must not time (a loaded machine would fail them):
how soon a batch stops after its first failed write, and how soon Python
answers Ctrl-C in a long evaluation and in a traverse. Prints one line each.

usage: PYTHONPATH=build/python bench/latency.py build/bin/pipeflow
"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time


def batch_to_full_device(exe, tmp):
    path = os.path.join(tmp, "huge.csv")
    with open(path, "w") as f:
        f.write("usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n")
        for _ in range(300_000):
            f.write(f"{random.uniform(0.01, 3)},{random.uniform(0.1, 20)},1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n")
    for out in ("/dev/full", "/dev/null"):
        start = time.monotonic()
        subprocess.run([exe, "batch", "--input", path, "--output", out, "--jobs", "1"], capture_output=True)
        print(f"batch of 300,000 rows to {out}: {1000 * (time.monotonic() - start):.0f} ms")


def ctrl_c(what, call):
    code = ("import numpy as np, flowmodel, sys, time\n"
            "try:\n"
            "    print('ready', flush=True)\n"
            f"    {call}\n"
            "except KeyboardInterrupt:\n"
            "    print('interrupted', time.monotonic(), flush=True); sys.exit(7)\n")
    took = []
    for _ in range(3):
        p = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, text=True, env=os.environ)
        p.stdout.readline()
        time.sleep(1.0)
        sent = time.monotonic()
        p.send_signal(signal.SIGINT)
        line = p.stdout.readline().split()
        p.wait()
        took.append(1000 * (float(line[1]) - sent))
    print(f"Ctrl-C in {what}: answered after " + ", ".join(f"{t:.0f}" for t in took) + " ms")


def main():
    exe = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        batch_to_full_device(exe, tmp)
    ctrl_c("evaluate_many (30 million cases, one thread)",
           "flowmodel.evaluate_many(usl=np.logspace(-3, 1, 30_000_000), usg=5.0, jobs=1)")


if __name__ == "__main__":
    main()
