// Headless capture: the engine without a window, its blocks collected until enough have settled.
#include "measurecapture.h"

#include <chrono>
#include <cmath>

namespace zelvaro {

namespace {

using namespace std::chrono_literals;

constexpr auto kStopPollInterval = 50ms;
constexpr auto kNoAudioTimeout = 5s;  // a sound server's start-up stall stays well below this
// With tones playing, the first blocks may still hold what the device had buffered before them.
constexpr size_t kMinDiscardBlocksPlaying = 2;
constexpr double kSteadyDb = 0.5;     // block-to-block level change of a settled input
constexpr double kSilentRms = 4.0;    // 16-bit steps: below this a block holds no tone

double BlockRms(const int16_t *interleaved, int channel)
{
    double sum = 0.0;
    for (int f = 0; f < kBlockFrames; ++f) {
        const double v = interleaved[2 * f + channel];
        sum += v * v;
    }
    return std::sqrt(sum / kBlockFrames);
}

// The frequency of a single tone from the zero crossings of one channel of a block.
double CrossingHz(const int16_t *interleaved, int channel)
{
    int crossings = 0;
    for (int f = 1; f < kBlockFrames; ++f)
        crossings += (interleaved[2 * f + channel] >= 0) != (interleaved[2 * (f - 1) + channel] >= 0);
    return crossings / 2.0 * kSampleRate / kBlockFrames;
}

bool NearHz(double measured, double expected)
{
    constexpr double kToleranceHz = 30.0;  // two crossings' worth in a block, plus noise
    return std::fabs(measured - expected) <= std::max(kToleranceHz, 0.03 * expected);
}

double LevelDb(double rms)
{
    return 20.0 * std::log10(rms + 1e-3);
}

}  // namespace

TMeasureCapture::TMeasureCapture(TAudioBackend backend, TLoopbackOptions loopback,
                                 const std::atomic<int> &stopRequest, const TSoundDeviceChoice &devices)
    : FStopRequest(stopRequest)
{
    FState.FftSize.store(kHistoryLength);
    // Without a window nothing runs on a "GUI thread": device-lost work runs where it is raised.
    FEngine = std::make_unique<TAudioEngine>(
        backend, [this](const std::string &text) { Warn(text); },
        [](std::function<void()> work) { work(); }, FHistory, FState, TFrameWork{}, loopback);
    FEngine->SetBlockTap([this](const int16_t *interleaved, int frames) { OnBlock(interleaved, frames); });
    // Nobody hears a change here, and a single gap would spoil the measurement.
    FEngine->SetPlaybackLatency(TPlaybackLatency::Deep);
    if (devices != TSoundDeviceChoice{})
        FEngine->SelectSoundDevices(devices);
}

TMeasureCapture::~TMeasureCapture()
{
    Close();
}

void TMeasureCapture::Warn(const std::string &text)
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (FWarning.empty())
        FWarning = text;
    FArrived.notify_all();
}

void TMeasureCapture::OnBlock(const int16_t *interleaved, int frames)
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (FCollecting)
        FBlocks.insert(FBlocks.end(), interleaved, interleaved + 2 * frames);
    FArrived.notify_all();
}

bool TMeasureCapture::Open()
{
    if (!FEngine->SoundBuffersOk() || !FEngine->OpenDevices()) {
        std::lock_guard<std::mutex> lock(FMutex);
        FError = FWarning.empty() ? "the sound devices could not be opened" : FWarning;
        return false;
    }
    return true;
}

void TMeasureCapture::Play(const std::optional<TMeasureTones> &tones)
{
    const bool on = tones.has_value();
    if (on) {
        FState.LFreqHz.store(tones->Hz1);
        FState.RFreqHz.store(tones->Hz2);
        FState.LAmpl.store(static_cast<float>(std::pow(10.0, tones->LevelDb1 / 20.0)));
        FState.RAmpl.store(static_cast<float>(std::pow(10.0, tones->LevelDb2 / 20.0)));
        FState.MixTones.store(tones->Mix);
        FState.SkewUs.store(tones->SkewUs);
        FState.IQMode.store(false);
        if (!FState.GenOn.load())
            FEngine->Synth().ResetPhases();
    }
    FState.GenOn.store(on);
    FState.TLedLeft.store(on);
    FState.TLedRight.store(on);
}

std::optional<TCapturedFrames> TMeasureCapture::Capture(int samples, double settleSeconds, double minChangeDb,
                                                        double expectHz)
{
    const bool playing = FState.GenOn.load();
    const auto settleBlocks = static_cast<size_t>(std::ceil(settleSeconds * kSampleRate / kBlockFrames));
    const auto neededBlocks = static_cast<size_t>((samples + kBlockFrames - 1) / kBlockFrames);
    const size_t blockValues = 2 * kBlockFrames;

    std::unique_lock<std::mutex> lock(FMutex);
    FBlocks.clear();
    FCollecting = true;
    const size_t minDiscard = playing ? kMinDiscardBlocksPlaying : 0;
    std::optional<size_t> firstKept;  // block where the kept samples start, once settled
    size_t examined = 0;
    double previousLeft = 0.0, previousRight = 0.0;
    auto lastArrival = std::chrono::steady_clock::now();
    size_t lastCount = 0;
    while (true) {
        if (FStopRequest.load() != 0 || !FWarning.empty())
            break;
        const size_t blocks = FBlocks.size() / blockValues;
        if (blocks != lastCount) {
            lastCount = blocks;
            lastArrival = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastArrival > kNoAudioTimeout) {
            FError = "no audio arrives from the input device";
            break;
        }
        // Settling: past the first blocks, the level steady from one block to the next, and with
        // tones playing, not silent (their way back through the chain takes a while).
        for (; !firstKept && examined < blocks; ++examined) {
            const int16_t *block = FBlocks.data() + examined * blockValues;
            const double left = BlockRms(block, 0), right = BlockRms(block, 1);
            const bool steady = examined > 0 && std::fabs(LevelDb(left) - previousLeft) < kSteadyDb &&
                                std::fabs(LevelDb(right) - previousRight) < kSteadyDb;
            const double louder = LevelDb(std::max(left, right));
            const bool heard = !playing || (std::max(left, right) > kSilentRms &&
                                            std::fabs(louder - FLastLevelDb) >= minChangeDb &&
                                            (expectHz <= 0.0 || (NearHz(CrossingHz(block, 0), expectHz) &&
                                                                 NearHz(CrossingHz(block, 1), expectHz))));
            previousLeft = LevelDb(left);
            previousRight = LevelDb(right);
            const size_t candidate = playing ? examined + 1 : examined;
            if (candidate >= minDiscard && ((steady && heard) || examined >= settleBlocks)) {
                firstKept = candidate;
                FSettled = steady && heard;
                FLastLevelDb = louder;
            }
        }
        if (firstKept && blocks >= *firstKept + neededBlocks)
            break;
        FArrived.wait_for(lock, kStopPollInterval);
    }
    FCollecting = false;
    if (FError.empty() && !FWarning.empty())
        FError = FWarning;
    if (FStopRequest.load() != 0 || !FError.empty())
        return std::nullopt;

    TCapturedFrames frames;
    frames.Left.resize(static_cast<size_t>(samples));
    frames.Right.resize(static_cast<size_t>(samples));
    const int16_t *kept = FBlocks.data() + *firstKept * blockValues;
    for (size_t i = 0; i < static_cast<size_t>(samples); ++i) {
        frames.Left[i] = kept[2 * i];
        frames.Right[i] = kept[2 * i + 1];
    }
    return frames;
}

void TMeasureCapture::Close()
{
    if (FEngine)
        FEngine->Shutdown();
}

}  // namespace zelvaro
