// Generator and analyser settings the GUI thread writes and the engine's threads read.
#pragma once

#include <atomic>

namespace zelvaro {

// Each member has exactly one writer; readers take a value once per block or frame. Relaxed
// order is enough everywhere: no member publishes other memory. docs/threads.md names the
// threads; app/appstate.h the handlers that publish each value.
struct TEngineState {
    // Generator, written by the generator controls on the GUI thread, read once per block by
    // the playback thread (FillOutputBuffers).
    std::atomic<int> LFreqHz{1292};        // Hz, 0..10000, tone 1 on the left channel
    std::atomic<int> RFreqHz{1938};        // Hz, 0..10000, tone 2 on the right channel
    std::atomic<float> LAmpl{0.5f};        // linear amplitude 0..1 (level position / 10000)
    std::atomic<float> RAmpl{0.5f};
    std::atomic<double> SkewUs{0.0};       // channel skew compensation, signed microseconds
    std::atomic<bool> IQMode{false};       // right channel plays tone 2 in quadrature
    std::atomic<bool> MixTones{false};     // both tones summed on both outputs
    std::atomic<bool> TLedLeft{false};     // TLedLeft.Value: generator on and left channel on
    std::atomic<bool> TLedRight{false};    // TLedRight.Value: generator on and right channel on
    std::atomic<bool> GenOn{false};        // generator running (informational for the engine)

    // Analyser, written by the analyser controls and the calibration dialog on the GUI thread.
    std::atomic<float> EffSampleRate{22050.0f};  // Hz: SampleRate * CalFactor; synthesis uses it
    std::atomic<int> FftSize{8192};        // 2048..65536; the capture side takes one per block
    std::atomic<bool> SpecOn{false};       // analyser running: TDoProcess computes frames

    // Written only by TDoProcess around each frame, read by TickTimer on the GUI thread.
    std::atomic<bool> Processing{false};
};

}  // namespace zelvaro
