#!/usr/bin/env python3
"""IMD3 of a two-tone recording, with numpy, on exact bins.

Usage: line_imd3.py FILE HZ1 HZ2 RATE
FILE holds interleaved 16-bit stereo frames; the left channel is analysed over its last RATE
frames (one second), where whole-hertz tones fall on exact bins of a rectangular transform.
Prints the lower and the upper IMD3 product in dB relative to the stronger tone.
"""
import sys

import numpy as np


def main():
    path, hz1, hz2, rate = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    left = np.fromfile(path, dtype="<i2")[0::2].astype(np.float64)[-rate:]
    spectrum = np.abs(np.fft.rfft(left))
    reference = max(spectrum[hz1], spectrum[hz2])
    for product in (2 * hz1 - hz2, 2 * hz2 - hz1):
        print("%.4f" % (20.0 * np.log10(spectrum[product] / reference)))


if __name__ == "__main__":
    main()
