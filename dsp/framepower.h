// Hann-windowed spectra of captured frames for measurements, and their power average.
#pragma once

#include <complex>
#include <span>
#include <vector>

namespace zelvaro {

// The complex spectrum (bins 0 .. N/2) of one frame of N samples after the analyser's Hann
// window, unscaled as the analyser's transform leaves it. N is a power of two, 16 .. 65536.
std::vector<std::complex<double>> HannSpectrum(std::span<const float> frame);

// Power averaging: each frame's |X[k]|^2 counts equally. Averaging lowers the variance of the
// noise, not its level, so a floor measured over many frames reads the same as over one.
class TPowerAverager {
public:
    explicit TPowerAverager(int fftSize);

    void Add(std::span<const float> frame);  // frame.size() must be the transform length
    int FftSize() const { return FFftSize; }
    int Frames() const { return FFrames; }
    std::vector<double> Average() const;  // FftSize/2 + 1 bins; zeros before the first frame

private:
    int FFftSize;
    int FFrames = 0;
    std::vector<double> FSum;
};

}  // namespace zelvaro
