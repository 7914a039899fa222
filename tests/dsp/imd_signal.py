#!/usr/bin/env python3
"""Test signals for the two-tone measurement, made with numpy in double precision.

Usage: imd_signal.py OUT LENGTH SEED QUANTIZE RATE [HZ:DBFS ...]
Writes LENGTH float32 samples in 16-bit units (a full-scale sine peaks at 32767): the sum of
cosines of the given frequencies and levels (0 dBFS is a full-scale sine), each with a random
phase from SEED. QUANTIZE=1 rounds to 16-bit steps after adding triangular dither of +-1 step.
"""
import sys

import numpy as np

FULL_SCALE = 32767.0


def main():
    out, length, seed, quantize, rate = sys.argv[1:6]
    length, rate = int(length), float(rate)
    rng = np.random.default_rng(int(seed))
    n = np.arange(length, dtype=np.float64)
    x = np.zeros(length)
    for component in sys.argv[6:]:
        hz, dbfs = (float(v) for v in component.split(":"))
        amplitude = FULL_SCALE * 10.0 ** (dbfs / 20.0)
        x += amplitude * np.cos(2.0 * np.pi * hz / rate * n + rng.uniform(0.0, 2.0 * np.pi))
    if quantize == "1":
        dither = rng.uniform(-0.5, 0.5, length) + rng.uniform(-0.5, 0.5, length)
        x = np.clip(np.round(x + dither), -32768, 32767)
    x.astype(np.float32).tofile(out)


if __name__ == "__main__":
    main()
