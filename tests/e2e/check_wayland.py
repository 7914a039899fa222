#!/usr/bin/env python3
"""Compares a compositor screenshot with the window against one of the bare desktop.

  check_wayland.py shown <desktop.png> <window.png>
      something new of the window's size is on the screen
  check_wayland.py outline <desktop.png> <window.png>
      the window's four cut-away corners show the desktop unchanged, and the face inside them
      is drawn
"""
import subprocess
import sys

import numpy as np

WIDTH, HEIGHT = 671, 474
PANEL_ROWS = 40     # the shell's panel (its clock changes) and a margin below it
CORNER = 3          # the skin's corners are rounded: a 3 x 3 patch at each lies outside it
FACE_INSET = 40     # well inside the outline, on the panel's face


def load(path):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True, capture_output=True).stdout
    width, height = (int(v) for v in size.split())
    return np.frombuffer(raw, dtype=np.uint8).reshape(height, width, 3)


def window_box(desktop, shot):
    """Left, top, width, height of the pixels that changed below the panel, or None."""
    changed = np.any(desktop != shot, axis=2)
    changed[:PANEL_ROWS, :] = False
    rows = np.flatnonzero(changed.any(axis=1))
    columns = np.flatnonzero(changed.any(axis=0))
    if rows.size == 0:
        return None
    return columns[0], rows[0], columns[-1] - columns[0] + 1, rows[-1] - rows[0] + 1


def main():
    mode, desktop_path, shot_path = sys.argv[1:4]
    desktop = load(desktop_path)
    shot = load(shot_path)
    box = window_box(desktop, shot)
    if mode == "shown":
        return 0 if box is not None and box[2:] == (WIDTH, HEIGHT) else 1
    if box is None:
        print("no window on the screenshot")
        return 1
    left, top, width, height = box
    print(f"window at {left},{top}, {width} x {height}")
    if (width, height) != (WIDTH, HEIGHT):
        print(f"the window is {width} x {height}, not {WIDTH} x {HEIGHT}")
        return 1
    failures = 0
    corners = {"top left": (left, top), "top right": (left + WIDTH - CORNER, top),
               "bottom left": (left, top + HEIGHT - CORNER), "bottom right": (left + WIDTH - CORNER, top + HEIGHT - CORNER)}
    for name, (x, y) in corners.items():
        patch = (slice(y, y + CORNER), slice(x, x + CORNER))
        if not np.array_equal(shot[patch], desktop[patch]):
            print(f"{name} corner is drawn over: {shot[patch].reshape(-1, 3).tolist()}")
            failures += 1
    for x, y in ((left + FACE_INSET, top + FACE_INSET), (left + WIDTH - FACE_INSET, top + HEIGHT - FACE_INSET)):
        if np.array_equal(shot[y, x], desktop[y, x]):
            print(f"the face at {x},{y} shows the desktop")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
