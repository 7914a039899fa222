#!/usr/bin/env python3
"""Reference levels per plot column for the analyser, computed with numpy in double precision.

Usage: analyser_ref.py SAMPLES FFT_SIZE USE_WINDOW FRAMES FIRST_BIN NUM_POINTS FULL_SCALE_MAG
SAMPLES holds FFT_SIZE float32 samples of the left channel followed by FFT_SIZE of the right.
Prints, for the left and then the right channel, the level of the strongest bin of the whole
spectrum followed by the NUM_POINTS column levels, one value per line.
"""
import sys

import numpy as np

MAGNITUDE_FLOOR = np.float32(1e-16)
RANGE_DB = 160.0


def column_levels(samples, use_window, frames, first_bin, num_points, full_scale):
    n = len(samples)
    x = samples.astype(np.float64)
    if use_window:
        x = x * np.hanning(n)  # symmetric: 0.5 - 0.5 cos(2 pi i / (n - 1))
    mag = np.abs(np.fft.rfft(x))[: n // 2]
    mag[0] = 0.0  # the DC bin is discarded
    avg = np.zeros_like(mag)
    for _ in range(frames):
        avg = (avg + mag) / 2.0
    v = np.where(avg >= MAGNITUDE_FLOOR, avg, MAGNITUDE_FLOOR)
    level = -np.minimum(np.abs(20.0 * np.log10(v / full_scale)), RANGE_DB)
    return np.concatenate(([level.max()], level[first_bin: first_bin + num_points]))


def main():
    path, n, use_window, frames, first_bin, num_points, full_scale = sys.argv[1:8]
    n, frames, first_bin, num_points = int(n), int(frames), int(first_bin), int(num_points)
    data = np.fromfile(path, dtype=np.float32)
    if data.size != 2 * n:
        sys.exit("expected %d samples, found %d" % (2 * n, data.size))
    for channel in (data[:n], data[n:]):
        levels = column_levels(channel, use_window == "1", frames, first_bin, num_points,
                               float(np.float32(full_scale)))
        sys.stdout.write("".join("%.6f\n" % value for value in levels))


if __name__ == "__main__":
    main()
