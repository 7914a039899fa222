// A headless capture through the audio engine: plays the measurement tones, if any, and collects
// the samples the analyser would see, with no window.
#pragma once

#include "audioengine.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zelvaro {

// The tones the capture plays: tone 1 on the left output, tone 2 on the right, as the generator
// does, or both summed on both outputs (Mix). Levels are each tone's in dBFS.
struct TMeasureTones {
    int Hz1 = 0;
    int Hz2 = 0;
    double LevelDb1 = -10.0;
    double LevelDb2 = -10.0;
    bool Mix = false;
    double SkewUs = 0.0;
};

struct TCapturedFrames {
    std::vector<float> Left;   // consecutive samples, 16-bit units
    std::vector<float> Right;
};

// Threading: construct, play and capture from one thread; the engine's capture driver thread
// feeds the collected samples under a lock. A stop request (a signal's number, stored by a
// handler) ends a wait within 50 ms.
class TMeasureCapture {
public:
    TMeasureCapture(TAudioBackend backend, TLoopbackOptions loopback, const std::atomic<int> &stopRequest,
                    const TSoundDeviceChoice &devices = {});
    ~TMeasureCapture();
    TMeasureCapture(const TMeasureCapture &) = delete;
    TMeasureCapture &operator=(const TMeasureCapture &) = delete;

    // Opens capture and playback (playback stays silent until Play). False with Error() set.
    bool Open();
    void Play(const std::optional<TMeasureTones> &tones);

    // Collects `samples` consecutive samples of both inputs once the input has settled: its level
    // steady from block to block and, with tones playing, not silent and at least `minChangeDb`
    // away from the level of the previous capture (a sweep's new step has arrived); or once
    // `settleSeconds` passed. Empty on a device error, a stop request or when no audio arrives;
    // Error() or StopRequested() says which.
    // With expectHz > 0 the input has also settled only once both channels cross zero at the rate
    // of a tone of that frequency (a new frequency has arrived, whatever its level).
    std::optional<TCapturedFrames> Capture(int samples, double settleSeconds, double minChangeDb = 0.0,
                                           double expectHz = 0.0);
    // True when the last Capture settled by its rule rather than by running out of time.
    bool Settled() const { return FSettled; }

    const std::string &Error() const { return FError; }
    bool StopRequested() const { return FStopRequest.load() != 0; }
    void Close();

private:
    void Warn(const std::string &text);
    void OnBlock(const int16_t *interleaved, int frames);

    const std::atomic<int> &FStopRequest;
    TEngineState FState;
    TSampleHistory FHistory;
    std::unique_ptr<TAudioEngine> FEngine;
    std::string FError;

    std::mutex FMutex;  // guards everything below; the capture driver thread appends
    std::condition_variable FArrived;
    std::vector<int16_t> FBlocks;  // interleaved frames since the last Capture began
    std::string FWarning;
    bool FCollecting = false;
    bool FSettled = false;
    double FLastLevelDb = -200.0;  // the louder input's level where the previous capture settled
};

}  // namespace zelvaro
