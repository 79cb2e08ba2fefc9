#!/usr/bin/env python3
"""Throughput of flowmodel.evaluate_many (cases per second) on one thread and
on all cores, over a regime-map grid of the default case (air-water, 5 cm
horizontal pipe): usg 0.01-100 m/s against usl 0.001-10 m/s, log spaced.

usage: PYTHONPATH=build/python python3 python/bench_evaluate_many.py [POINTS_PER_AXIS]
"""
import os
import sys
import time

import numpy as np

import flowmodel


def rate(usl, usg, jobs, repeat=3):
    """Best cases/s of `repeat` runs, and CPU seconds per wall second of that run."""
    best, busy = float("inf"), 0.0
    for _ in range(repeat):
        t, c = time.perf_counter(), time.process_time()
        out = flowmodel.evaluate_many(usl=usl, usg=usg, jobs=jobs)
        wall = time.perf_counter() - t
        if wall < best:
            best, busy = wall, (time.process_time() - c) / wall
    return out["dpt"].size / best, busy, out


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 500
    usl = np.logspace(-3, 1, n)[:, None]
    usg = np.logspace(-2, 2, n)[None, :]
    one, _, a = rate(usl, usg, 1)
    cores = os.cpu_count()
    every, busy, b = rate(usl, usg, 0)
    assert all(np.array_equal(a[k], b[k]) for k in a)
    scalar_n = 2000
    t = time.perf_counter()
    for k in range(scalar_n):
        flowmodel.evaluate(usl=float(usl[k % n, 0]), usg=float(usg[0, (k * 7) % n]))
    scalar = scalar_n / (time.perf_counter() - t)
    print(f"{n * n} cases: evaluate_many {one:,.0f} cases/s on 1 thread, {every:,.0f} cases/s on all "
          f"{cores} cores ({every / one:.2f}x, {busy:.2f} CPU-s per s); scalar evaluate() loop {scalar:,.0f} cases/s")


if __name__ == "__main__":
    main()
