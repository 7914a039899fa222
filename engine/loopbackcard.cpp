// Loopback card: a real-time clock thread that feeds the playback ring back into capture.
#include "loopbackcard.h"

#include <chrono>
#include <cmath>

namespace zelvaro {

namespace {
constexpr size_t kPeriodFrames = 2048;
constexpr size_t kChannels = 2;
constexpr double kFullScaleSineRms = 32767.0 / 1.4142135623730951;
constexpr double kNoNoiseDbfs = -200.0;
constexpr int kMaxLatePeriods = 4;  // further behind than this, the clock restarts from now
}  // namespace

// One direction of the loopback card; the card's clock plays the part of the sound hardware.
class TLoopbackDevice final : public TWaveDevice {
public:
    TLoopbackDevice(std::shared_ptr<TLoopbackCard> card, TWaveDirection direction)
        : TWaveDevice(direction), FCard(std::move(card))
    {
    }
    ~TLoopbackDevice() override { Close(); }

    int NumDevs() override { return 1; }

    void Captured(const int16_t *samples, size_t count) { HardwareCaptured(samples, count); }
    void Plays(int16_t *samples, size_t count) { HardwarePlays(samples, count); }

protected:
    int OpenStream(const TWaveFormat &format) override { return FCard->Attach(this, format); }
    void CloseStream() override { FCard->Detach(this); }

private:
    std::shared_ptr<TLoopbackCard> FCard;
};

TLoopbackCard::TLoopbackCard(TLoopbackOptions options)
    : FOptions(options), FRandom(options.NoiseSeed)
{
    const auto delay = static_cast<size_t>(std::max(0, options.DelayFrames));
    FDelayLine.assign(delay * kChannels, 0);
    if (options.NoiseDbfs > kNoNoiseDbfs)
        FNoiseLsb = kFullScaleSineRms * std::pow(10.0, options.NoiseDbfs / 20.0);
}

TLoopbackCard::~TLoopbackCard()
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FQuit = true;
    }
    FChanged.notify_all();
    if (FClock.joinable())
        FClock.join();
}

std::unique_ptr<TWaveDevice> TLoopbackCard::MakeDevice(TWaveDirection direction)
{
    return std::make_unique<TLoopbackDevice>(shared_from_this(), direction);
}

uint64_t TLoopbackCard::PeriodsRun() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FPeriods;
}

int TLoopbackCard::Attach(TLoopbackDevice *device, const TWaveFormat &format)
{
    if (format.Channels != static_cast<int>(kChannels) || format.BitsPerSample != 16 ||
        format.SampleRate <= 0)
        return kWaveBadFormat;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        TLoopbackDevice *&slot = device->Direction() == TWaveDirection::In ? FIn : FOut;
        if (slot)
            return kWaveAllocated;
        if ((FIn || FOut) && FSampleRate != format.SampleRate)
            return kWaveBadFormat;  // one clock serves both directions
        slot = device;
        FSampleRate = format.SampleRate;
        if (!FLine)
            FLine = std::make_unique<TLoopbackLine>(FOptions.Line, FSampleRate);
    }
    if (!FClock.joinable())
        FClock = std::thread([this] { ClockBody(); });
    FChanged.notify_all();
    return kWaveNoError;
}

// After Detach returns the clock never calls into the device again: it calls only while it holds
// the card's mutex.
void TLoopbackCard::Detach(TLoopbackDevice *device)
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (FIn == device)
        FIn = nullptr;
    if (FOut == device)
        FOut = nullptr;
}

int16_t TLoopbackCard::Noise()
{
    if (FNoiseLsb <= 0.0)
        return 0;
    // Below one step the noise is a sparse +-1 whose RMS matches the requested level.
    if (FNoiseLsb < 1.0) {
        const double p = FNoiseLsb * FNoiseLsb;
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(FRandom);
        return u < p / 2 ? int16_t{-1} : (u < p ? int16_t{1} : int16_t{0});
    }
    return static_cast<int16_t>(std::lround(FGauss(FRandom) * FNoiseLsb));
}

void TLoopbackCard::RunPeriod(std::vector<int16_t> &played, std::vector<int16_t> &heard)
{
    if (FOut)
        FOut->Plays(played.data(), played.size());
    else
        std::fill(played.begin(), played.end(), int16_t{0});
    if (FLine)
        FLine->Process(played.data(), played.size() / kChannels);
    if (FOptions.Unplugged)
        std::fill(played.begin(), played.end(), int16_t{0});
    for (size_t i = 0; i < played.size(); ++i) {
        int16_t sample = played[i];
        if (!FDelayLine.empty()) {
            std::swap(sample, FDelayLine[FDelayPos]);
            FDelayPos = (FDelayPos + 1) % FDelayLine.size();
        }
        const int mixed = sample + Noise();
        heard[i] = static_cast<int16_t>(std::clamp(mixed, -32768, 32767));
    }
    if (FIn)
        FIn->Captured(heard.data(), heard.size());
    ++FPeriods;
}

void TLoopbackCard::ClockBody()
{
    using TClock = std::chrono::steady_clock;
    std::vector<int16_t> played(kPeriodFrames * kChannels);
    std::vector<int16_t> heard(kPeriodFrames * kChannels);
    std::unique_lock<std::mutex> lock(FMutex);
    auto epoch = TClock::now();
    uint64_t periods = 0;
    while (!FQuit) {
        if (!FIn && !FOut) {
            FChanged.wait(lock, [&] { return FQuit || FIn || FOut; });
            epoch = TClock::now();
            periods = 0;
            continue;
        }
        // Deadlines come from the frame count, so rounding never accumulates into drift.
        ++periods;
        const double seconds = static_cast<double>(periods * kPeriodFrames) / FSampleRate;
        const auto deadline =
            epoch + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(seconds));
        if (FChanged.wait_until(lock, deadline, [&] { return FQuit; }))
            break;
        if (!FIn && !FOut)
            continue;
        if (TClock::now() - deadline >
            std::chrono::duration<double>(kMaxLatePeriods * static_cast<double>(kPeriodFrames) / FSampleRate)) {
            epoch = TClock::now();  // suspended or starved for long: do not catch up in a burst
            periods = 0;
        }
        RunPeriod(played, heard);
    }
}

}  // namespace zelvaro
