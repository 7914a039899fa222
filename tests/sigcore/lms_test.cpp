// Leaky LMS filter against a reference written from the update equations, plus its argument checks.
#include "sigcore.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <deque>
#include <random>
#include <vector>

namespace {

constexpr int32_t kLmsType = 0;

// The filter as the equations state it: adapt with the line as it stood errDly + 1 calls ago
// (before this call's sample enters), then shift, then filter with the adapted taps.
class ReferenceLms {
public:
    ReferenceLms(std::vector<float> taps, std::vector<float> olderSamplesOldestFirst, int errDly, float step, float leak)
        : taps_(std::move(taps)), errDly_(static_cast<std::size_t>(errDly)), step_(step), leak_(leak)
    {
        line_.assign(taps_.size() + errDly_, 0.0f);
        // The supplied history fills every position but the oldest, newest at the front.
        for (std::size_t j = 0; j < olderSamplesOldestFirst.size(); ++j)
            line_[line_.size() - 2 - j] = olderSamplesOldestFirst[j];
    }

    float process(float samp, float err)
    {
        if (step_ > 0.0f) {
            for (std::size_t i = 0; i < taps_.size(); ++i)
                taps_[i] = static_cast<float>((1.0 - leak_) * taps_[i] + static_cast<double>(step_) * err * line_[i + errDly_]);
        }
        line_.pop_back();
        line_.push_front(samp);
        double output = 0.0;
        for (std::size_t i = 0; i < taps_.size(); ++i)
            output += static_cast<double>(taps_[i]) * line_[i];
        return static_cast<float>(output);
    }

private:
    std::vector<float> taps_;
    std::deque<float> line_;
    std::size_t errDly_;
    float step_;
    double leak_;
};

// Owns a state and frees its buffers at the end of the test.
struct LmsFilter {
    vskLmsState state{};
    LmsFilter(const float *taps, int32_t tapsLen, const float *dlyl, float step, float leak, int32_t errDly)
    {
        vsksLmsInit(kLmsType, taps, tapsLen, dlyl, step, leak, errDly, &state);
    }
    ~LmsFilter() { vskLmsFree(&state); }
    float operator()(float samp, float err) { return vsksLms(&state, samp, err); }
};

TEST(Lms, InitFillsTheStateRecord)
{
    const float taps[] = {0.25f, -0.5f, 2.0f};
    LmsFilter filter(taps, 3, nullptr, 0.01f, 0.001f, 2);
    const vskLmsState &s = filter.state;
    EXPECT_EQ(s.tapsLen, 3);
    EXPECT_EQ(s.dlyLen, 5);
    EXPECT_EQ(s.errDly, 2);
    EXPECT_EQ(s.tapsLoaded, 1);
    EXPECT_EQ(s.dlyLoaded, 1);
    EXPECT_EQ(s.step, 0.01f);
    EXPECT_EQ(s.leak, 0.001f);
    EXPECT_EQ(std::vector<float>(s.taps, s.taps + 3), std::vector<float>(taps, taps + 3));
    EXPECT_EQ(std::vector<float>(s.dlyl, s.dlyl + 5), std::vector<float>(5, 0.0f));
}

TEST(Lms, SuppliedDelayLineIsReversedAndTheOldestPositionStartsAtZero)
{
    const float history[] = {1.0f, 2.0f, 3.0f, 99.0f};  // oldest first; only dlyLen - 1 = 3 are read
    LmsFilter filter(nullptr, 2, history, 0.0f, 0.0f, 2);
    EXPECT_EQ(std::vector<float>(filter.state.dlyl, filter.state.dlyl + 4), (std::vector<float>{3.0f, 2.0f, 1.0f, 0.0f}));
}

TEST(Lms, FixedTapWithoutStepScalesTheInput)
{
    const float tap = 0.5f;
    LmsFilter filter(&tap, 1, nullptr, 0.0f, 0.3f, 0);
    for (float samp : {1.0f, -4.0f, 7.5f})
        EXPECT_EQ(filter(samp, 123.0f), 0.5f * samp);
    EXPECT_EQ(filter.state.taps[0], 0.5f);
}

TEST(Lms, TwoTapExampleAdaptsBeforeFiltering)
{
    LmsFilter filter(nullptr, 2, nullptr, 1.0f, 0.0f, 0);
    EXPECT_EQ(filter(1.0f, 0.0f), 0.0f);
    EXPECT_EQ(std::vector<float>(filter.state.dlyl, filter.state.dlyl + 2), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(filter(0.0f, 1.0f), 0.0f);
    EXPECT_EQ(std::vector<float>(filter.state.taps, filter.state.taps + 2), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(std::vector<float>(filter.state.dlyl, filter.state.dlyl + 2), (std::vector<float>{0.0f, 1.0f}));
    EXPECT_EQ(filter(2.0f, 0.0f), 2.0f);
}

TEST(Lms, NonPositiveStepNeverChangesTheTaps)
{
    const float taps[] = {0.1f, 0.2f, 0.3f};
    for (float step : {0.0f, -0.5f}) {
        LmsFilter filter(taps, 3, nullptr, step, 0.5f, 1);
        for (int i = 0; i < 10; ++i)
            filter(static_cast<float>(i), 10.0f);
        EXPECT_EQ(std::vector<float>(filter.state.taps, filter.state.taps + 3), std::vector<float>(taps, taps + 3)) << "step " << step;
    }
}

TEST(Lms, FullLeakReplacesEachTapByTheCorrection)
{
    const float taps[] = {5.0f, 6.0f};
    const float history[] = {3.0f, 4.0f};  // line (4, 3, 0)
    LmsFilter filter(taps, 2, history, 0.5f, 1.0f, 1);
    filter(1.0f, 2.0f);
    // g = 0.5 * 2 = 1; taps[i] = g * line[i + 1] = (3, 0)
    EXPECT_EQ(std::vector<float>(filter.state.taps, filter.state.taps + 2), (std::vector<float>{3.0f, 0.0f}));
}

TEST(Lms, MatchesTheReferenceWithDelayedErrorAndLeak)
{
    std::mt19937 generator(42);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    for (int errDly : {0, 1, 3}) {
        for (float leak : {0.0f, 0.01f, 0.25f}) {
            const int tapCount = 7;
            std::vector<float> taps(tapCount), history(static_cast<std::size_t>(tapCount + errDly - 1));
            for (float &t : taps)
                t = 0.1f * noise(generator);
            for (float &h : history)
                h = noise(generator);
            ReferenceLms reference(taps, history, errDly, 0.02f, leak);
            LmsFilter filter(taps.data(), tapCount, history.data(), 0.02f, leak, errDly);
            for (int call = 0; call < 500; ++call) {
                const float samp = noise(generator), err = 0.5f * noise(generator);
                const float expected = reference.process(samp, err);
                ASSERT_FLOAT_EQ(filter(samp, err), expected) << "errDly " << errDly << " leak " << leak << " call " << call;
            }
        }
    }
}

TEST(Lms, AdaptiveFilterIdentifiesAnUnknownSystem)
{
    // Closed loop: err is the desired minus the output errDly + 1 calls earlier.
    const std::vector<float> system = {0.6f, -0.3f, 0.1f, 0.05f};
    const int errDly = 2;
    LmsFilter filter(nullptr, 4, nullptr, 0.05f, 0.0f, errDly);
    std::mt19937 generator(7);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    std::deque<float> inputs(system.size(), 0.0f);
    std::deque<float> pendingErrors(static_cast<std::size_t>(errDly + 1), 0.0f);
    for (int call = 0; call < 6000; ++call) {
        const float samp = noise(generator);
        const float output = filter(samp, pendingErrors.front());
        pendingErrors.pop_front();
        inputs.pop_back();
        inputs.push_front(samp);
        double desired = 0.0;
        for (std::size_t i = 0; i < system.size(); ++i)
            desired += system[i] * inputs[i];
        pendingErrors.push_back(static_cast<float>(desired) - output);
    }
    for (std::size_t i = 0; i < system.size(); ++i)
        EXPECT_NEAR(filter.state.taps[i], system[i], 1e-3) << "tap " << i;
}

TEST(Lms, StepAndLeakTakeEffectOnTheNextCall)
{
    LmsFilter filter(nullptr, 1, nullptr, 0.0f, 0.0f, 0);
    filter(1.0f, 1.0f);
    EXPECT_EQ(filter.state.taps[0], 0.0f);
    vsksLmsSetStep(0.5f, &filter.state);
    filter(1.0f, 1.0f);  // tap = 0 + 0.5 * 1 * 1
    EXPECT_EQ(filter.state.taps[0], 0.5f);
    vsksLmsSetLeak(0.5f, &filter.state);
    filter(2.0f, 0.0f);  // tap = 0.5 * 0.5
    EXPECT_EQ(filter.state.taps[0], 0.25f);
}

TEST(Lms, FreeReleasesBuffersAndClearsTheLoadedFlags)
{
    vskLmsState state{};
    vsksLmsInit(kLmsType, nullptr, 4, nullptr, 0.1f, 0.0f, 1, &state);
    vskLmsFree(&state);
    EXPECT_EQ(state.taps, nullptr);
    EXPECT_EQ(state.dlyl, nullptr);
    EXPECT_EQ(state.tapsLoaded, 0);
    EXPECT_EQ(state.dlyLoaded, 0);
    EXPECT_EQ(state.tapsLen, 4);
    vskLmsFree(&state);
    vskLmsFree(nullptr);
}

TEST(LmsDeathTest, ArgumentErrorsEndTheProcess)
{
    vskLmsState state{};
    EXPECT_EXIT(vsksLmsInit(kLmsType, nullptr, 4, nullptr, 0.1f, 0.0f, 0, nullptr), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(vsksLmsInit(kLmsType, nullptr, 0, nullptr, 0.1f, 0.0f, 0, &state), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(vsksLmsInit(kLmsType, nullptr, -3, nullptr, 0.1f, 0.0f, 0, &state), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(vsksLmsInit(kLmsType, nullptr, 4, nullptr, 0.1f, 0.0f, -1, &state), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(vsksLms(nullptr, 1.0f, 0.0f), testing::ExitedWithCode(1), "");
    // Never initialised, and initialised then freed: both report instead of touching memory.
    EXPECT_EXIT(vsksLms(&state, 1.0f, 0.0f), testing::ExitedWithCode(1), "");
    vsksLmsInit(kLmsType, nullptr, 4, nullptr, 0.1f, 0.0f, 0, &state);
    vskLmsFree(&state);
    EXPECT_EXIT(vsksLms(&state, 1.0f, 0.0f), testing::ExitedWithCode(1), "");
    state.tapsLoaded = 1;
    EXPECT_EXIT(vsksLms(&state, 1.0f, 0.0f), testing::ExitedWithCode(1), "");
}

}  // namespace
