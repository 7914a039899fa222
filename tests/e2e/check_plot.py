#!/usr/bin/env python3
"""Reads screenshots of the Zelvaro window and checks the analyser plot.

  check_plot.py tones <shot.png> <window x> <window y>
      the left (white) trace peaks at the column of 1292 Hz and the right (yellow) one at
      1938 Hz, near the level a -6 dB tone shows, and both stay low elsewhere
  check_plot.py readout <first.png> <second.png> <window x> <window y>
      the yellow readout text stands beside the pointer in each shot, and the first one is gone
      from the second shot
"""
import subprocess
import sys

import numpy as np

PLOT_LEFT, PLOT_TOP, PLOT_WIDTH, PLOT_HEIGHT = 106, 56, 526, 220
START_HZ, HZ_PER_BIN = 800.0, 22050.0 / 8192.0
TOP_DB, BOTTOM_DB = 7, -121          # VGain 42 and VRange 39 of the default settings
# A -6 dB tone through the Hann window shows 6 dB lower against the full-scale reference.
EXPECTED_PEAK_DB = -12.0
PEAK_TOLERANCE_DB = 4.0
FLOOR_MARGIN_DB = 30.0
WHITE = (255, 255, 255)
YELLOW = (255, 255, 0)


def load(path):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True, capture_output=True).stdout
    width, height = (int(v) for v in size.split())
    return np.frombuffer(raw, dtype=np.uint8).reshape(height, width, 3)


def plot_of(image, wx, wy):
    return image[wy + PLOT_TOP:wy + PLOT_TOP + PLOT_HEIGHT, wx + PLOT_LEFT:wx + PLOT_LEFT + PLOT_WIDTH]


def mask(plot, colour):
    return np.all(plot == np.array(colour, dtype=np.uint8), axis=2)


def row_to_db(row):
    return row * (BOTTOM_DB - TOP_DB) / PLOT_HEIGHT + TOP_DB


def column_of(hz):
    return int(round((hz - START_HZ) / HZ_PER_BIN))


def peak_db(trace, hz, halfwidth=4):
    """Highest level the trace reaches within a few columns of hz."""
    column = column_of(hz)
    rows = np.nonzero(trace[:, column - halfwidth:column + halfwidth + 1].any(axis=1))[0]
    return row_to_db(rows.min()) if rows.size else None


def check_tones(path, wx, wy):
    plot = plot_of(load(path), wx, wy)
    ok = True
    for name, colour, hz, other_hz in (("left", WHITE, 1292, 1938), ("right", YELLOW, 1938, 1292)):
        trace = mask(plot, colour)
        level = peak_db(trace, hz)
        elsewhere = peak_db(trace, other_hz, halfwidth=2)
        print(f"{name} trace: peak {level} dB at {hz} Hz (column {column_of(hz)}), {elsewhere} dB at {other_hz} Hz")
        if level is None or abs(level - EXPECTED_PEAK_DB) > PEAK_TOLERANCE_DB:
            print(f"  expected a peak near {EXPECTED_PEAK_DB} dB at {hz} Hz")
            ok = False
        # The left trace is drawn over the right one, so at the other tone's column the white trace
        # must be low, while the yellow one may hide under white only where both are low.
        if elsewhere is not None and elsewhere > EXPECTED_PEAK_DB - FLOOR_MARGIN_DB:
            print(f"  the {name} trace is too high at {other_hz} Hz")
            ok = False
    return ok


def yellow_in_box(plot, x, y):
    """Yellow ink in a readout box; the text is antialiased, so near-yellow pixels count too."""
    box = plot[y:y + 15, x:x + 133].astype(int)
    return int(((box[:, :, 0] > 180) & (box[:, :, 1] > 180) & (box[:, :, 2] < 100)).sum())


def check_readout(first, second, wx, wy):
    # Pointer at plot (20, 40), then at (200, 60): the readout sits 10 right of and 25 above it.
    first_box, second_box = (30, 15), (210, 35)
    plot1, plot2 = plot_of(load(first), wx, wy), plot_of(load(second), wx, wy)
    ink1 = yellow_in_box(plot1, *first_box)
    ink2 = yellow_in_box(plot2, *second_box)
    left_over = yellow_in_box(plot2, *first_box)
    print(f"readout ink: first place {ink1} px, second place {ink2} px, first place afterwards {left_over} px")
    return ink1 > 30 and ink2 > 30 and left_over < 5


def main(argv):
    if argv[1] == "tones":
        return 0 if check_tones(argv[2], int(argv[3]), int(argv[4])) else 1
    if argv[1] == "readout":
        return 0 if check_readout(argv[2], argv[3], int(argv[4]), int(argv[5])) else 1
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
