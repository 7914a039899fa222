// Window functions: documented values, symmetry, in-place application and numpy references.
#include "caller_buffer.h"

#include <sigcore.h>

#include <gtest/gtest.h>

#include "references.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using WindowCall = std::function<void(float *, int32_t)>;

struct NamedWindow {
    const char *name;  // as windows_ref.py knows it
    float parameter;   // alpha or beta; unused by the others
    WindowCall apply;
};

std::vector<float> windowOfOnes(const WindowCall &apply, int32_t n)
{
    std::vector<float> vec(static_cast<std::size_t>(n), 1.0f);
    apply(vec.data(), n);
    return vec;
}

std::vector<NamedWindow> allWindows(float alpha, float beta)
{
    return {
        {"hann", 0.0f, [](float *v, int32_t n) { vsksWinHann(v, n); }},
        {"hamming", 0.0f, [](float *v, int32_t n) { vsksWinHamming(v, n); }},
        {"bartlett", 0.0f, [](float *v, int32_t n) { vsksWinBartlett(v, n); }},
        {"blackman", alpha, [alpha](float *v, int32_t n) { vsksWinBlackman(v, n, alpha); }},
        {"kaiser", beta, [beta](float *v, int32_t n) { vsksWinKaiser(v, n, beta); }},
    };
}

// Directory of this source, where the reference script lives, unless the test environment says.
std::string referenceScript()
{
    return zelvaro::test::TestDataPath("sigcore/windows_ref.py");
}

struct ReferenceRequest {
    const char *name;
    int32_t n;
    float parameter;
};

// Runs the script once for all requests; an empty result means the script failed.
std::vector<std::vector<double>> referenceWindows(const std::string &python,
                                                  const std::vector<ReferenceRequest> &requests)
{
    std::ostringstream command;
    command.precision(9); // enough digits to give the script the exact float
    command << '"' << python << "\" \"" << referenceScript() << '"';
    for (const auto &request : requests)
        command << ' ' << request.name << ',' << request.n << ',' << request.parameter;
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.str().c_str(), "r"), pclose);
    std::vector<std::vector<double>> windows;
    if (!pipe)
        return windows;
    long count = 0;
    while (std::fscanf(pipe.get(), "%ld", &count) == 1) {
        std::vector<double> values(static_cast<std::size_t>(count));
        for (double &v : values) {
            if (std::fscanf(pipe.get(), "%lf", &v) != 1)
                return {};
        }
        windows.push_back(std::move(values));
    }
    return windows;
}

// Relative agreement with numpy. Kaiser's I0 is a published polynomial approximation (relative
// error below 5e-7), which this bound still covers; the absolute term is for factors near zero.
constexpr double kRelativeTolerance = 1e-6;
constexpr double kAbsoluteTolerance = 1e-9;

} // namespace

// ---- Documented values ---------------------------------------------------------------------

TEST(Windows, HannOfOnes)
{
    EXPECT_EQ(windowOfOnes(vsksWinHann, 3), (std::vector<float>{0.0f, 1.0f, 0.0f}));
    const auto four = windowOfOnes(vsksWinHann, 4);
    EXPECT_EQ(four[0], 0.0f);
    EXPECT_NEAR(four[1], 0.75f, 1e-7f);
    EXPECT_NEAR(four[2], 0.75f, 1e-7f);
    EXPECT_EQ(four[3], 0.0f);
}

TEST(Windows, HammingEdgesAndBlackmanClassicShape)
{
    const auto hamming = windowOfOnes(vsksWinHamming, 9);
    EXPECT_FLOAT_EQ(hamming.front(), 0.08f);
    EXPECT_FLOAT_EQ(hamming.back(), 0.08f);
    EXPECT_FLOAT_EQ(hamming[4], 1.0f);

    std::vector<float> blackman(9, 1.0f);
    vsksWinBlackman(blackman.data(), 9, -0.16f);
    EXPECT_NEAR(blackman.front(), 0.0f, 1e-7f);
    EXPECT_NEAR(blackman.back(), 0.0f, 1e-7f);
    EXPECT_FLOAT_EQ(blackman[4], 1.0f);
}

TEST(Windows, BartlettOfFive)
{
    EXPECT_EQ(windowOfOnes(vsksWinBartlett, 5), (std::vector<float>{0.0f, 0.5f, 1.0f, 0.5f, 0.0f}));
}

TEST(Windows, KaiserWithZeroBetaLeavesTheVectorUnchanged)
{
    std::vector<float> vec{3.0f, -1.0f, 0.25f, 7.0f, 1e-30f, -2.0f};
    const auto before = vec;
    vsksWinKaiser(vec.data(), 6, 0.0f);
    EXPECT_EQ(vec, before);
}

// Kaiser stops before the middle element of an odd length; the others pass it twice.
TEST(Windows, KaiserNeverWritesTheMiddleOfOddLengths)
{
    std::vector<float> vec(7, 1.0f);
    vec[3] = std::numeric_limits<float>::quiet_NaN();
    vsksWinKaiser(vec.data(), 7, 1.5f);
    EXPECT_TRUE(std::isnan(vec[3]));
    EXPECT_LT(vec[0], 0.1f);
}

TEST(Windows, AreSymmetricAndMultiplyInPlace)
{
    for (const auto &window : allWindows(0.3f, 0.05f)) {
        for (const int32_t n : {3, 4, 5, 64, 65, 1001}) {
            const auto ones = windowOfOnes(window.apply, n);
            std::vector<float> ramp(ones.size());
            for (std::size_t i = 0; i < ramp.size(); ++i)
                ramp[i] = static_cast<float>(i) - 17.5f;
            const auto original = ramp;
            window.apply(ramp.data(), n);
            const std::size_t last = ones.size() - 1;
            for (std::size_t i = 0; i < ones.size(); ++i) {
                ASSERT_EQ(ones[i], ones[last - i]) << window.name << " n=" << n << " i=" << i;
                if (2 * i != last) { // the middle element of odd lengths is multiplied twice
                    ASSERT_FLOAT_EQ(ramp[i], original[i] * ones[i]) << window.name << " n=" << n;
                }
            }
        }
    }
}

// ---- Against numpy -------------------------------------------------------------------------

TEST(Windows, MatchNumpyReferences)
{
    ZELVARO_REQUIRE_NUMPY();
    const std::string python = zelvaro::test::PythonWithNumpy();

    struct Parameters {
        float alpha;
        float shape; // Kaiser's conventional shape parameter, beta * (n - 1) / 2
    };
    struct Case {
        NamedWindow window;
        int32_t n;
    };
    std::vector<Case> cases;
    std::vector<ReferenceRequest> requests;
    for (const Parameters p : {Parameters{-0.16f, 0.5f}, Parameters{0.3f, 8.6f},
                               Parameters{-0.2f, 14.0f}, Parameters{0.0f, 300.0f}}) {
        for (const int32_t n : {3, 4, 5, 16, 33, 1000, 1001, 4096, 65536}) {
            const float beta = 2.0f * p.shape / static_cast<float>(n - 1);
            for (const auto &window : allWindows(p.alpha, beta)) {
                cases.push_back({window, n});
                requests.push_back({window.name, n, window.parameter});
            }
        }
    }
    const auto references = referenceWindows(python, requests);
    ASSERT_EQ(references.size(), cases.size()) << "the reference script failed";

    for (std::size_t c = 0; c < cases.size(); ++c) {
        const auto &[window, n] = cases[c];
        const auto actual = windowOfOnes(window.apply, n);
        const auto &expected = references[c];
        ASSERT_EQ(expected.size(), actual.size()) << window.name << " n=" << n;
        for (std::size_t i = 0; i < actual.size(); ++i) {
            const double bound = kRelativeTolerance * std::fabs(expected[i]) + kAbsoluteTolerance;
            ASSERT_NEAR(actual[i], expected[i], bound)
                << window.name << " n=" << n << " i=" << i << " parameter=" << window.parameter;
        }
    }
}

// ---- Bad arguments -------------------------------------------------------------------------

using WindowDeathTest = SigcoreDeathTest;

TEST_F(WindowDeathTest, RejectNullVectorsAndShortLengths)
{
    float vec[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    EXPECT_ENDS_PROCESS(vsksWinHann(nullptr, 0));
    EXPECT_ENDS_PROCESS(vsksWinHann(vec, 2));
    EXPECT_ENDS_PROCESS(vsksWinHamming(vec, 1));
    EXPECT_ENDS_PROCESS(vsksWinBartlett(vec, 0));
    EXPECT_ENDS_PROCESS(vsksWinBlackman(vec, -3, -0.16f));
    EXPECT_ENDS_PROCESS(vsksWinKaiser(nullptr, 4, 1.0f));
}

// The limit applies to beta * (n - 1) / 2: n = 9 makes 77 exactly 308.
TEST_F(WindowDeathTest, KaiserShapeLimit)
{
    std::vector<float> vec(9, 1.0f);
    vsksWinKaiser(vec.data(), 9, 77.0f);
    EXPECT_FLOAT_EQ(vec[4], 1.0f);
    vsksWinKaiser(vec.data(), 9, -77.0f);
    EXPECT_ENDS_PROCESS(vsksWinKaiser(vec.data(), 9, std::nextafter(77.0f, 100.0f)));
    EXPECT_ENDS_PROCESS(vsksWinKaiser(vec.data(), 9, -78.0f));
    EXPECT_ENDS_PROCESS(vsksWinKaiser(vec.data(), 9, std::numeric_limits<float>::quiet_NaN()));
}

TEST_F(WindowDeathTest, FailingCallsLeaveTheVectorUntouched)
{
    CallerBuffer<float> vec(64, 2.0f);

    // Control: a successful call in the child does reach the parent's view of the buffer.
    EXPECT_ENDS_PROCESS({
        vsksWinBartlett(vec.data(), 3);
        std::exit(1);
    });
    ASSERT_EQ(vec[0], 0.0f);

    std::fill(vec.data(), vec.data() + vec.size(), 2.0f);
    EXPECT_ENDS_PROCESS(vsksWinHann(vec.data(), 2));
    EXPECT_ENDS_PROCESS(vsksWinKaiser(vec.data(), 64, 1000.0f));
    EXPECT_TRUE(vec.allEqual(2.0f));
}
