// Real and CCS-format FFTs against long-double DFTs, numpy's rfft, closed forms and each other.
#include "sigcore.h"

#include <gtest/gtest.h>

#include "references.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using LongComplex = std::complex<long double>;

constexpr int32_t kForward = VSK_FFT_FORWARD;
constexpr int32_t kInverse = VSK_FFT_INVERSE;
// The flag the analyser adds to every call; it has no meaning to the library.
constexpr int32_t kIgnoredBit = 32;
constexpr double kFloatEpsilon = 1.0 / (1 << 24);
constexpr long double kTwoPi = 6.283185307179586476925286766559L;

std::size_t pointCount(int order)
{
    return std::size_t{1} << order;
}

// Random samples in [-1, 1), with room for the N + 2 floats of the CCS layout.
std::vector<float> randomSignal(int order, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> samples(pointCount(order) + 2);
    std::generate(samples.begin(), samples.begin() + static_cast<long>(pointCount(order)),
                  [&] { return uniform(generator); });
    return samples;
}

// X[k] = sum_j x[j] e^(sign 2 pi i jk / N), k = 0 .. N/2, in long double.
std::vector<LongComplex> directHalfSpectrum(const std::vector<float> &samples, int order, int sign)
{
    const std::size_t n = pointCount(order);
    std::vector<LongComplex> spectrum(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        LongComplex sum = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const long double angle = sign * kTwoPi * static_cast<long double>((j * k) % n) / n;
            sum += static_cast<long double>(samples[j]) * std::polar(1.0L, angle);
        }
        spectrum[k] = sum;
    }
    return spectrum;
}

std::string referenceScript()
{
    return zelvaro::test::TestDataPath("sigcore/fft_ref.py");
}

// numpy's rfft of the first N samples, or empty when no interpreter with numpy is available.
std::vector<LongComplex> numpyHalfSpectrum(const std::vector<float> &samples, int order)
{
    const std::string python = zelvaro::test::PythonWithNumpy();
    if (python.empty())
        return {};
    char inputPath[] = "/tmp/sigcore_fft_XXXXXX";
    const int fd = mkstemp(inputPath);
    if (fd < 0)
        return {};
    FILE *input = fdopen(fd, "wb");
    std::fwrite(samples.data(), sizeof(float), pointCount(order), input);
    std::fclose(input);
    const std::string command = "\"" + python + "\" \"" + referenceScript() + "\" " + inputPath;
    FILE *pipe = popen(command.c_str(), "r");
    std::vector<double> interleaved(2 * (pointCount(order) / 2 + 1));
    const std::size_t got = pipe ? std::fread(interleaved.data(), sizeof(double), interleaved.size(), pipe) : 0;
    const int status = pipe ? pclose(pipe) : -1;
    std::remove(inputPath);
    if (status != 0 || got != interleaved.size())
        return {};
    std::vector<LongComplex> spectrum(pointCount(order) / 2 + 1);
    for (std::size_t k = 0; k < spectrum.size(); ++k)
        spectrum[k] = {interleaved[2 * k], interleaved[2 * k + 1]};
    return spectrum;
}

// Largest deviation of the CCS buffer from the reference, relative to the largest reference
// magnitude (so the measure does not depend on N or on the signal's level).
double relativeSpectrumError(const std::vector<float> &ccs, const std::vector<LongComplex> &reference)
{
    long double largest = 0, worst = 0;
    for (std::size_t k = 0; k < reference.size(); ++k) {
        const LongComplex got(ccs[2 * k], ccs[2 * k + 1]);
        largest = std::max(largest, std::abs(reference[k]));
        worst = std::max(worst, std::abs(got - reference[k]));
    }
    return static_cast<double>(largest > 0 ? worst / largest : worst);
}

double relativeSignalError(const std::vector<float> &got, const std::vector<float> &expected, std::size_t count)
{
    double largest = 0, worst = 0;
    for (std::size_t i = 0; i < count; ++i) {
        largest = std::max(largest, std::fabs(static_cast<double>(expected[i])));
        worst = std::max(worst, std::fabs(static_cast<double>(got[i]) - expected[i]));
    }
    return largest > 0 ? worst / largest : worst;
}

// Every pass stores floats, so the error grows with the number of passes: each adds at most
// about one float rounding of the running magnitude, a pass per doubling bounds the count, and
// one more covers the split step and the rounded twiddles. Measured errors stay below half of it.
double spectrumBound(int order)
{
    return (order + 1) * kFloatEpsilon;
}

std::vector<float> forwardReal(std::vector<float> samples, int order)
{
    vsksRealFft(samples.data(), order, kForward | kIgnoredBit);
    return samples;
}

TEST(RealFft, ForwardMatchesLongDoubleDft)
{
    for (int order = 0; order <= 11; ++order) {
        const std::vector<float> signal = randomSignal(order, 100u + static_cast<unsigned>(order));
        const double error = relativeSpectrumError(forwardReal(signal, order), directHalfSpectrum(signal, order, -1));
        EXPECT_LE(error, spectrumBound(order)) << "order " << order;
    }
}

TEST(RealFft, ForwardMatchesNumpyRfft)
{
    ZELVARO_REQUIRE_NUMPY();
    for (int order = 0; order <= 18; ++order) {
        const std::vector<float> signal = randomSignal(order, 200u + static_cast<unsigned>(order));
        const std::vector<LongComplex> reference = numpyHalfSpectrum(signal, order);
        ASSERT_FALSE(reference.empty()) << "the numpy reference did not run for order " << order;
        const double error = relativeSpectrumError(forwardReal(signal, order), reference);
        EXPECT_LE(error, spectrumBound(order)) << "order " << order;
    }
}

TEST(RealFft, ForwardWritesZeroImaginaryEndBins)
{
    for (int order : {1, 2, 5, 11, 15}) {
        std::vector<float> samples = randomSignal(order, 7);
        samples[pointCount(order) + 1] = 123.0f;
        samples = forwardReal(samples, order);
        EXPECT_EQ(samples[1], 0.0f) << "order " << order;
        EXPECT_EQ(samples[pointCount(order) + 1], 0.0f) << "order " << order;
    }
}

TEST(RealFft, TwoSamplesGiveSumAndDifference)
{
    std::vector<float> samples = {3.0f, 5.0f, 99.0f, 99.0f};
    vsksRealFft(samples.data(), 1, kForward);
    EXPECT_EQ(samples, (std::vector<float>{8.0f, 0.0f, -2.0f, 0.0f}));
}

TEST(RealFft, OrderZeroOnlyClearsTheImaginaryPart)
{
    std::vector<float> samples = {4.5f, 7.0f};
    vsksRealFft(samples.data(), 0, kForward);
    EXPECT_EQ(samples, (std::vector<float>{4.5f, 0.0f}));
}

TEST(RealFft, ConstantAndCosineGiveSingleBins)
{
    for (int order : {4, 10, 12, 16}) {
        const std::size_t n = pointCount(order);
        std::vector<float> constant(n + 2, 1.0f);
        vsksRealFft(constant.data(), order, kForward);
        EXPECT_NEAR(constant[0], static_cast<double>(n), n * 1e-6) << "order " << order;
        for (std::size_t i = 1; i < n + 2; ++i)
            ASSERT_NEAR(constant[i], 0.0, n * 1e-6) << "order " << order << " float " << i;

        const std::size_t bin = n / 8 + 3;
        std::vector<float> cosine(n + 2);
        for (std::size_t j = 0; j < n; ++j)
            cosine[j] = static_cast<float>(std::cos(static_cast<double>(kTwoPi) * static_cast<double>((j * bin) % n) / n));
        vsksRealFft(cosine.data(), order, kForward);
        for (std::size_t k = 0; k <= n / 2; ++k) {
            const double expectedRe = (k == bin) ? n / 2.0 : 0.0;
            ASSERT_NEAR(cosine[2 * k], expectedRe, n * 2e-6) << "order " << order << " bin " << k;
            ASSERT_NEAR(cosine[2 * k + 1], 0.0, n * 2e-6) << "order " << order << " bin " << k;
        }
    }
}

TEST(RealFft, InverseIsTheScaledConjugateSpectrum)
{
    for (int order : {0, 1, 2, 3, 6, 9, 11}) {
        const std::size_t n = pointCount(order);
        const std::vector<float> signal = randomSignal(order, 300u + static_cast<unsigned>(order));
        const std::vector<LongComplex> reference = directHalfSpectrum(signal, order, +1);

        std::vector<float> unscaled = signal;
        vsksRealFft(unscaled.data(), order, kInverse | VSK_FFT_NOSCALE);
        EXPECT_LE(relativeSpectrumError(unscaled, reference), spectrumBound(order)) << "order " << order;

        std::vector<float> scaled = signal;
        vsksRealFft(scaled.data(), order, kInverse);
        // All N + 2 floats are scaled by 1/N, which is exact for a power of two.
        for (std::size_t i = 0; i < n + 2; ++i)
            ASSERT_EQ(scaled[i], unscaled[i] / static_cast<float>(n)) << "order " << order << " float " << i;
    }
}

// Random half spectrum with arbitrary imaginary parts at both ends, which the CCS transform ignores.
std::vector<float> randomHalfSpectrum(int order, unsigned seed)
{
    std::vector<float> ccs = randomSignal(order, seed);
    std::mt19937 generator(seed + 1);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    ccs[pointCount(order)] = uniform(generator);
    ccs[pointCount(order) + 1] = uniform(generator);
    return ccs;
}

// x[j] = sum over all N bins of X[k] e^(sign 2 pi i jk/N), upper bins implied as conjugates.
std::vector<long double> directCcsSignal(const std::vector<float> &ccs, int order, int sign)
{
    const std::size_t n = pointCount(order);
    auto bin = [&](std::size_t k) {
        if (k == 0 || k == n / 2)
            return LongComplex(ccs[2 * k], 0);
        if (k < n / 2)
            return LongComplex(ccs[2 * k], ccs[2 * k + 1]);
        return std::conj(LongComplex(ccs[2 * (n - k)], ccs[2 * (n - k) + 1]));
    };
    std::vector<long double> signal(n);
    for (std::size_t j = 0; j < n; ++j) {
        LongComplex sum = 0;
        for (std::size_t k = 0; k < n; ++k)
            sum += bin(k) * std::polar(1.0L, sign * kTwoPi * static_cast<long double>((j * k) % n) / n);
        signal[j] = sum.real();
    }
    return signal;
}

TEST(CcsFft, ForwardAndInverseMatchLongDoubleSums)
{
    for (int order = 1; order <= 10; ++order) {
        const std::size_t n = pointCount(order);
        const std::vector<float> ccs = randomHalfSpectrum(order, 400u + static_cast<unsigned>(order));
        for (int sign : {-1, +1}) {
            const std::vector<long double> reference = directCcsSignal(ccs, order, sign);
            std::vector<float> got = ccs;
            vsksCcsFft(got.data(), order, (sign < 0 ? kForward : kInverse | VSK_FFT_NOSCALE) | kIgnoredBit);
            long double largest = 0, worst = 0;
            for (std::size_t j = 0; j < n; ++j) {
                largest = std::max(largest, std::fabs(reference[j]));
                worst = std::max(worst, std::fabs(got[j] - reference[j]));
            }
            EXPECT_LE(static_cast<double>(worst / largest), spectrumBound(order)) << "order " << order << " sign " << sign;
        }
    }
}

TEST(CcsFft, InverseScalesTheSignalAndKeepsTheTail)
{
    for (int order : {1, 2, 7, 12}) {
        const std::size_t n = pointCount(order);
        const std::vector<float> ccs = randomHalfSpectrum(order, 500u + static_cast<unsigned>(order));
        std::vector<float> unscaled = ccs;
        vsksCcsFft(unscaled.data(), order, kInverse | VSK_FFT_NOSCALE);
        std::vector<float> scaled = ccs;
        vsksCcsFft(scaled.data(), order, kInverse);
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(scaled[i], unscaled[i] / static_cast<float>(n)) << "order " << order << " float " << i;
        EXPECT_EQ(scaled[n], ccs[n]);
        EXPECT_EQ(scaled[n + 1], ccs[n + 1]);
    }
}

TEST(CcsFft, ImaginaryPartsOfTheEndBinsHaveNoInfluence)
{
    for (int order : {1, 2, 3, 8, 13}) {
        const std::size_t n = pointCount(order);
        for (int32_t flags : {kForward, kInverse}) {
            std::vector<float> first = randomHalfSpectrum(order, 600u + static_cast<unsigned>(order));
            std::vector<float> second = first;
            second[1] = 1e6f;
            second[n + 1] = -3e5f;
            vsksCcsFft(first.data(), order, flags);
            vsksCcsFft(second.data(), order, flags);
            EXPECT_TRUE(std::equal(first.begin(), first.begin() + static_cast<long>(n), second.begin()))
                << "order " << order << " flags " << flags;
        }
    }
}

TEST(CcsFft, OrderZeroChangesNothing)
{
    std::vector<float> samples = {4.5f, 7.0f};
    vsksCcsFft(samples.data(), 0, kInverse);
    EXPECT_EQ(samples, (std::vector<float>{4.5f, 7.0f}));
}

TEST(RoundTrip, CcsInverseRestoresTheRealForwardInput)
{
    for (int order = 1; order <= 18; ++order) {
        const std::size_t n = pointCount(order);
        const std::vector<float> signal = randomSignal(order, 700u + static_cast<unsigned>(order));
        std::vector<float> samples = forwardReal(signal, order);
        vsksCcsFft(samples.data(), order, kInverse);
        EXPECT_LE(relativeSignalError(samples, signal, n), spectrumBound(order)) << "order " << order;
    }
}

TEST(RoundTrip, CcsForwardUndoesRealInverse)
{
    for (int order : {1, 2, 3, 9, 10, 11, 14, 15, 16}) {
        const std::size_t n = pointCount(order);
        const std::vector<float> signal = randomSignal(order, 800u + static_cast<unsigned>(order));
        std::vector<float> samples = signal;
        vsksRealFft(samples.data(), order, kInverse);
        vsksCcsFft(samples.data(), order, kForward);
        EXPECT_LE(relativeSignalError(samples, signal, n), spectrumBound(order)) << "order " << order;
    }
}

TEST(TableCache, TransformsAfterAFreeAreBitIdentical)
{
    for (int order : {2, 9, 11, 13, 15, 16}) {
        const std::vector<float> signal = randomSignal(order, 900u + static_cast<unsigned>(order));
        const std::vector<float> before = forwardReal(signal, order);
        vskcFreeTwdTbls();
        EXPECT_EQ(forwardReal(signal, order), before) << "order " << order << " after vskcFreeTwdTbls";
        vskFreeBitRevTbls();
        EXPECT_EQ(forwardReal(signal, order), before) << "order " << order << " after vskFreeBitRevTbls";
        vsksRealFft(nullptr, order, VSK_FFT_FREE);
        vsksCcsFft(nullptr, order, VSK_FFT_FREE);
        EXPECT_EQ(forwardReal(signal, order), before) << "order " << order << " after the free flag";
    }
}

// The free flag comes before every argument check and the init flag before the buffer and
// direction checks: these calls return, where the same arguments otherwise end the process.
TEST(TableCacheDeathTest, FreeAndInitFlagsReturnBeforeTheArgumentChecks)
{
    EXPECT_EXIT(
        {
            for (int32_t order : {std::numeric_limits<int32_t>::min(), -1, 0, 1, 31, 32, 1000,
                                  std::numeric_limits<int32_t>::max()}) {
                vsksRealFft(nullptr, order, VSK_FFT_FREE | kForward | kInverse);
                vsksCcsFft(nullptr, order, VSK_FFT_FREE);
            }
            vskFreeBitRevTbls();
            vskFreeBitRevTbls();
            vskcFreeTwdTbls();
            vskcFreeTwdTbls();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(
        {
            for (int32_t order : {0, 1, 2, 12, 17}) {
                vsksRealFft(nullptr, order, VSK_FFT_INIT | kIgnoredBit);
                vsksCcsFft(nullptr, order, VSK_FFT_INIT | kForward | kInverse);
            }
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^$");
    // The control: without the flags the same calls end the process.
    EXPECT_EXIT(vsksRealFft(nullptr, 12, kIgnoredBit), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(vsksCcsFft(nullptr, 40, kForward), testing::ExitedWithCode(1), "");
}

// Argument checks end the process with exit code 1, in the documented order.
TEST(FftDeathTest, ArgumentErrorsEndTheProcess)
{
    std::vector<float> buffer(64 + 2, 1.0f);
    for (auto transform : {&vsksRealFft, &vsksCcsFft}) {
        EXPECT_EXIT(transform(buffer.data(), -1, kForward), testing::ExitedWithCode(1), "");
        EXPECT_EXIT(transform(buffer.data(), std::numeric_limits<int32_t>::min(), kForward), testing::ExitedWithCode(1), "");
        EXPECT_EXIT(transform(buffer.data(), 32, kForward), testing::ExitedWithCode(1), "");
        EXPECT_EXIT(transform(nullptr, 6, kForward), testing::ExitedWithCode(1), "");
        EXPECT_EXIT(transform(nullptr, 0, kInverse), testing::ExitedWithCode(1), "");
        EXPECT_EXIT(transform(buffer.data(), 6, kForward | kInverse), testing::ExitedWithCode(1), "");
        EXPECT_EXIT(transform(buffer.data(), 6, kIgnoredBit), testing::ExitedWithCode(1), "");
        EXPECT_EXIT(transform(buffer.data(), 6, VSK_FFT_NOSCALE), testing::ExitedWithCode(1), "");
    }
}

}  // namespace
