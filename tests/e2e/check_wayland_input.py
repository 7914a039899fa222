#!/usr/bin/env python3
"""Reads the window off a compositor screenshot, for the Wayland input test.

  check_wayland_input.py box <desktop.png> <shot.png>
      prints the left, top, width and height of what differs from the bare desktop below the
      shell's panel, or "none" when nothing does
  check_wayland_input.py pixel <shot.png> <x> <y>
      prints the red, green and blue of one pixel
"""
import sys

from check_wayland import load, window_box


def main():
    mode = sys.argv[1]
    if mode == "box":
        box = window_box(load(sys.argv[2]), load(sys.argv[3]))
        print("none" if box is None else " ".join(str(int(v)) for v in box))
        return 0
    if mode == "pixel":
        shot = load(sys.argv[2])
        x, y = int(sys.argv[3]), int(sys.argv[4])
        print(" ".join(str(int(v)) for v in shot[y, x]))
        return 0
    print(f"unknown mode {mode}")
    return 2


if __name__ == "__main__":
    sys.exit(main())
