#!/usr/bin/env python3
"""Reference window factors: prints one factor per line with 17 significant digits.

Usage: windows_ref.py <kind>,<n>,<parameter> ...
  kind: hann, hamming, blackman (parameter alpha), bartlett, kaiser (parameter beta).
For each window, in argument order, a line with its length, then one factor per line.

The symmetric windows with the length-minus-one denominator are numpy's own windows. Blackman with
a free alpha is written from its definition; Kaiser's beta is per sample, so numpy's shape
parameter is beta * (n - 1) / 2.
"""
import sys

import numpy as np


def window(kind, n, param):
    if kind == "hann":
        return np.hanning(n)
    if kind == "hamming":
        return np.hamming(n)
    if kind == "bartlett":
        return np.bartlett(n)
    if kind == "blackman":
        if abs(param + 0.16) < 1e-6:  # the classic window, 0.42 / 0.5 / 0.08
            return np.blackman(n)
        theta = 2.0 * np.pi * np.arange(n) / (n - 1)
        return (0.5 + 0.5 * param) - 0.5 * np.cos(theta) - 0.5 * param * np.cos(2.0 * theta)
    if kind == "kaiser":
        return np.kaiser(n, param * (n - 1) / 2.0)
    raise SystemExit("unknown window " + kind)


def main():
    for spec in sys.argv[1:]:
        kind, n, param = spec.split(",")
        # The parameter arrives as the exact decimal of a float: it is the library's value.
        values = window(kind, int(n), float(np.float32(param)))
        sys.stdout.write("%d\n" % len(values))
        sys.stdout.write("".join("%.17g\n" % v for v in values))


if __name__ == "__main__":
    main()
