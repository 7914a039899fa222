// Real FFT in both directions at the sizes where the kernel and the split step change method.
#include "sigcore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using LongComplex = std::complex<long double>;

constexpr double kFloatEpsilon = 1.0 / (1 << 24);
constexpr long double kTwoPi = 6.283185307179586476925286766559L;

// Orders 4 to 10 cover the short split step (below 16 complex points), the vector split step
// with its first step as its only one (16 points), the plain and the tiled bit reversal (from
// 256 points on the first pass runs on the tiles) and the largest unblocked kernel.
constexpr int kFirstOrder = 4;
constexpr int kLastOrder = 10;

std::vector<float> randomSignal(std::size_t n, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> samples(n + 2);
    std::generate(samples.begin(), samples.begin() + static_cast<long>(n), [&] { return uniform(generator); });
    return samples;
}

// Largest deviation of bins 0 .. N/2 from X[k] = sum_j x[j] e^(sign 2 pi i jk / N), relative to
// the largest reference magnitude.
double relativeErrorOfHalfSpectrum(const std::vector<float> &ccs, const std::vector<float> &signal, std::size_t n,
                                   int sign)
{
    long double largest = 0, worst = 0;
    for (std::size_t k = 0; k <= n / 2; ++k) {
        LongComplex sum = 0;
        for (std::size_t j = 0; j < n; ++j)
            sum += static_cast<long double>(signal[j]) *
                   std::polar(1.0L, sign * kTwoPi * static_cast<long double>((j * k) % n) / static_cast<long double>(n));
        largest = std::max(largest, std::abs(sum));
        worst = std::max(worst, std::abs(LongComplex(ccs[2 * k], ccs[2 * k + 1]) - sum));
    }
    return static_cast<double>(worst / largest);
}

TEST(RealFftPaths, BothDirectionsMatchLongDoubleDftAcrossMethodChanges)
{
    for (int order = kFirstOrder; order <= kLastOrder; ++order) {
        const std::size_t n = std::size_t{1} << order;
        const std::vector<float> signal = randomSignal(n, 900u + static_cast<unsigned>(order));
        // Same bound as the other transform tests: one float rounding per pass and one more.
        const double bound = (order + 1) * kFloatEpsilon;

        std::vector<float> forward = signal;
        vsksRealFft(forward.data(), order, VSK_FFT_FORWARD);
        EXPECT_LE(relativeErrorOfHalfSpectrum(forward, signal, n, -1), bound) << "forward, order " << order;
        EXPECT_EQ(forward[1], 0.0f) << "order " << order;
        EXPECT_EQ(forward[n + 1], 0.0f) << "order " << order;

        std::vector<float> inverse = signal;
        vsksRealFft(inverse.data(), order, VSK_FFT_INVERSE | VSK_FFT_NOSCALE);
        EXPECT_LE(relativeErrorOfHalfSpectrum(inverse, signal, n, +1), bound) << "inverse, order " << order;
    }
}

}  // namespace
