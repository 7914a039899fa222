"""Reference half spectrum for the FFT tests: numpy's rfft of little-endian float32 samples.

Usage: fft_ref.py <samples.f32>. Writes the N/2 + 1 bins to stdout as interleaved float64
(re, im), computed in double precision from the float32 input.
"""
import sys

import numpy as np


def main() -> int:
    samples = np.fromfile(sys.argv[1], dtype="<f4").astype(np.float64)
    spectrum = np.fft.rfft(samples)
    interleaved = np.empty(2 * spectrum.size, dtype="<f8")
    interleaved[0::2] = spectrum.real
    interleaved[1::2] = spectrum.imag
    sys.stdout.buffer.write(interleaved.tobytes())
    return 0


if __name__ == "__main__":
    sys.exit(main())
