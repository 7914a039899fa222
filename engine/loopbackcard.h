// The loopback sound card: what the playback side plays, the capture side hears, in real time.
#pragma once

#include "loopbackline.h"
#include "wavedevice.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace zelvaro {

struct TLoopbackOptions {
    int DelayFrames = 0;         // extra delay from playback to capture, in frames
    double NoiseDbfs = -110.0;   // added noise, RMS relative to a full-scale sine; <= -200: none
    uint32_t NoiseSeed = 1;      // fixed seed: runs are reproducible
    TLoopbackLineOptions Line;   // channel skew, gain difference and distortion of the "cable"
    bool Unplugged = false;      // the cable is out: capture hears only the noise
};

class TLoopbackDevice;

// A virtual card paced by a steady clock at the nominal rate. Every 2048 frames its clock takes
// one period from the playback side (silence when it is paused or starved), passes it through the
// delay and the noise, and hands it to the capture side. Both directions share one clock, so
// capture receives exactly what playback played, with no drift.
class TLoopbackCard : public std::enable_shared_from_this<TLoopbackCard> {
public:
    explicit TLoopbackCard(TLoopbackOptions options = {});
    ~TLoopbackCard();

    std::unique_ptr<TWaveDevice> MakeDevice(TWaveDirection direction);

    // Periods the clock has run since the card was made (for tests).
    uint64_t PeriodsRun() const;

private:
    friend class TLoopbackDevice;
    int Attach(TLoopbackDevice *device, const TWaveFormat &format);
    void Detach(TLoopbackDevice *device);
    void ClockBody();
    void RunPeriod(std::vector<int16_t> &played, std::vector<int16_t> &heard);
    int16_t Noise();

    const TLoopbackOptions FOptions;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    TLoopbackDevice *FIn = nullptr;
    TLoopbackDevice *FOut = nullptr;
    int FSampleRate = 0;
    bool FQuit = false;
    uint64_t FPeriods = 0;
    std::unique_ptr<TLoopbackLine> FLine;  // made at the first attachment, when the rate is known
    std::vector<int16_t> FDelayLine;  // interleaved frames, FDelayPos is the oldest
    size_t FDelayPos = 0;
    std::mt19937 FRandom;
    std::normal_distribution<double> FGauss{0.0, 1.0};
    double FNoiseLsb = 0.0;           // noise RMS in 16-bit steps
    std::thread FClock;
};

}  // namespace zelvaro
