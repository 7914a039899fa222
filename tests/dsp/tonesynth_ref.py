#!/usr/bin/env python3
"""Independent numpy checks of synthesised tones, for the tone synthesis tests.

Usage: tonesynth_ref.py <command> <file of float32 or int16 samples> [arguments]
Prints the requested figures on one line, separated by spaces.
"""
import sys

import numpy as np


def ideal(n, freq, rate, amp, phase_deg):
    t = np.arange(n, dtype=np.float64)
    return amp * np.cos(2.0 * np.pi * freq * t / rate + np.deg2rad(phase_deg))


def main():
    command, path = sys.argv[1], sys.argv[2]
    args = [float(a) for a in sys.argv[3:]]
    if command == "maxerr":
        # maxerr <float32 file> freq rate amp phase_deg: largest deviation from the ideal cosine
        x = np.fromfile(path, dtype=np.float32).astype(np.float64)
        freq, rate, amp, phase = args
        print(np.max(np.abs(x - ideal(len(x), freq, rate, amp, phase))))
    elif command == "level":
        # level <int16 file>: RMS level in dB relative to a full-scale sine, and the peak frequency
        # in Hz (rate given) from a Hann-windowed FFT with parabolic interpolation
        rate = args[0]
        x = np.fromfile(path, dtype=np.int16).astype(np.float64)
        rms = np.sqrt(np.mean(x * x))
        level = 20.0 * np.log10(rms / (32767.0 / np.sqrt(2.0)))
        spec = np.abs(np.fft.rfft(x * np.hanning(len(x))))
        k = int(np.argmax(spec))
        a, b, c = np.log(spec[k - 1:k + 2])
        delta = 0.5 * (a - c) / (a - 2.0 * b + c)
        print(level, (k + delta) * rate / len(x))
    elif command == "sfdr":
        # sfdr <int16 file>: carrier to the strongest other component, Kaiser window (beta 20,
        # sidelobes far below 16-bit quantisation), main lobe +-40 bins and DC excluded
        x = np.fromfile(path, dtype=np.int16).astype(np.float64)
        spec = np.abs(np.fft.rfft(x * np.kaiser(len(x), 20.0)))
        k = int(np.argmax(spec))
        rest = spec.copy()
        rest[max(0, k - 40):k + 41] = 0.0
        rest[:41] = 0.0
        print(20.0 * np.log10(spec[k] / np.max(rest)))
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
