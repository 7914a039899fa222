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
    args = [float(a) for a in sys.argv[3:]] if command != "phase" else []
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
    elif command == "phase":
        # phase <interleaved file> dtype freq rate: the phase of the right channel's tone minus the
        # left one's, in degrees within (-180, 180], from a least-squares fit of a cos + b sin to
        # each channel (exact for a pure tone, whatever the length)
        dtype = np.dtype(sys.argv[3])
        freq, rate = (float(a) for a in sys.argv[4:6])
        x = np.fromfile(path, dtype=dtype).astype(np.float64).reshape(-1, 2)
        w = 2.0 * np.pi * freq / rate * np.arange(len(x))
        basis = np.column_stack((np.cos(w), np.sin(w)))
        (a, b), _, _, _ = np.linalg.lstsq(basis, x, rcond=None)
        phases = np.arctan2(-b, a)  # a cos + b sin = r cos(w n + phase)
        diff = np.rad2deg(np.angle(np.exp(1j * (phases[1] - phases[0]))))
        print(180.0 if diff <= -180.0 else diff)
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
