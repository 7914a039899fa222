// Measurement spectra through sigcore's Hann window and real FFT, in double precision after it.
#include "framepower.h"

#include "sigcore.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace zelvaro {

std::vector<std::complex<double>> HannSpectrum(std::span<const float> frame)
{
    const auto size = frame.size();
    if (size < 16 || size > 65536 || !std::has_single_bit(size))
        throw std::invalid_argument("transform length must be a power of two from 16 to 65536");
    const auto order = static_cast<int32_t>(std::countr_zero(size));
    std::vector<float> buffer(size + 2, 0.0f);
    std::copy(frame.begin(), frame.end(), buffer.begin());
    vsksWinHann(buffer.data(), static_cast<int32_t>(size));
    vsksRealFft(buffer.data(), order, VSK_FFT_FORWARD);
    std::vector<std::complex<double>> spectrum(size / 2 + 1);
    for (size_t k = 0; k < spectrum.size(); ++k)
        spectrum[k] = {buffer[2 * k], buffer[2 * k + 1]};
    return spectrum;
}

TPowerAverager::TPowerAverager(int fftSize)
    : FFftSize(fftSize), FSum(static_cast<size_t>(fftSize / 2 + 1), 0.0)
{
}

void TPowerAverager::Add(std::span<const float> frame)
{
    if (frame.size() != static_cast<size_t>(FFftSize))
        throw std::invalid_argument("frame length differs from the transform length");
    const auto spectrum = HannSpectrum(frame);
    for (size_t k = 0; k < FSum.size(); ++k)
        FSum[k] += std::norm(spectrum[k]);
    ++FFrames;
}

std::vector<double> TPowerAverager::Average() const
{
    std::vector<double> average(FSum);
    if (FFrames > 1)
        for (double &p : average)
            p /= FFrames;
    return average;
}

}  // namespace zelvaro
