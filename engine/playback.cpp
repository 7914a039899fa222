// Audio output: opening the playback device, its callback, and filling the free buffers.
#include "audioengine.h"

#include <cstring>

namespace zelvaro {

namespace {
constexpr int kSystemTextFailure = 9;  // OpenWaveOut already showed a message
constexpr intptr_t kOutQueued = -1;
constexpr intptr_t kOutFree = 0;
constexpr intptr_t kOutFilled = 1;
constexpr intptr_t kOutSpare = 2;  // allocated and prepared, but kept out of circulation
}  // namespace

int TAudioEngine::OpenWaveOut()
{
    std::lock_guard<std::mutex> headers(FOutHeadersLock);
    if (FWaveOut->NumDevs() == 0)
        return kWaveError;
    const int opened = FWaveOut->Open(FFormat, [this](int message, TWaveHeader *header) {
        WaveOutProc(message, header);
    });
    if (opened == kWaveNoError)
        FOutputOpenings.fetch_add(1);
    if (const std::string failure = OpenFailureText(opened, TDeviceSide::Playback); !failure.empty()) {
        FWarn(failure);
        return kSystemTextFailure;
    }
    // kOutputBlocksAhead silent buffers go in behind the paused device; only they circulate, so
    // a block is synthesised that many blocks before it is heard. The other buffers stay spare.
    int error = FWaveOut->Pause();
    for (int i = 0; i < kSoundBufferCount && error == kWaveNoError; ++i) {
        TWaveHeader &header = FOutHeaders[static_cast<size_t>(i)];
        uint8_t *buffer = FOutBufArea.get() + i * kBlockBytes;
        header.Clear();
        std::memset(buffer, 0, kBlockBytes);
        header.Data = buffer;
        header.BufferLength = kBlockBytes;
        header.User.store(i < kOutputBlocksAhead ? kOutQueued : kOutSpare);
        error = FWaveOut->Prepare(header);
    }
    for (int i = 0; i < kOutputBlocksAhead && error == kWaveNoError; ++i)
        error = FWaveOut->Queue(FOutHeaders[static_cast<size_t>(i)]);
    if (error != kWaveNoError) {
        if (FWaveOutIsOpen.load())
            FWaveOut->Close();
        FWarn("Errors during Out_Buffers prepare");
        return kWaveError;
    }
    return FWaveOut->Start();
}

void TAudioEngine::CloseWaveOut()
{
    std::lock_guard<std::mutex> headers(FOutHeadersLock);
    FWaveOutStopping.store(true);
    FWaveOut->Pause();
    FWaveOut->Reset();
    for (TWaveHeader &header : FOutHeaders)
        FWaveOut->Unprepare(header);
    FWaveOut->Close();  // also when not open: releases what a failed open acquired
}

bool TAudioEngine::StartOutput()
{
    FWaveOutStopping.store(false);
    const int result = OpenWaveOut();
    if (result == kWaveNoError)
        return true;
    if (result != kSystemTextFailure) {
        ShowError("Audio output error", FWaveOut->ErrorText(result));
        StopOutput();
    }
    return false;
}

void TAudioEngine::StopOutput()
{
    CloseWaveOut();
}

void TAudioEngine::WaveOutProc(int message, TWaveHeader *header)
{
    switch (message) {
    case kWomOpen:
        FWaveOutIsOpen.store(true);
        break;
    case kWomClose:
        FWaveOutIsOpen.store(false);
        break;
    case kWomDone:
        if (FWaveOutStopping.load())
            break;  // buffers returned by a reset are not refilled
        FLastOutHeader.store(header);
        header->User.store(kOutFree);
        FOutputDoneEvent.Set();
        break;
    default:
        break;
    }
}

TWaveHeader *TAudioEngine::GetFreeOutHeader()
{
    for (TWaveHeader &header : FOutHeaders) {
        intptr_t expected = kOutFree;
        if (header.User.compare_exchange_strong(expected, kOutFilled))
            return &header;
    }
    return nullptr;
}

TToneSettings TAudioEngine::ReadToneSettings() const
{
    TToneSettings settings;
    settings.LFreqHz = FState.LFreqHz.load(std::memory_order_relaxed);
    settings.RFreqHz = FState.RFreqHz.load(std::memory_order_relaxed);
    settings.LAmpl = FState.LAmpl.load(std::memory_order_relaxed);
    settings.RAmpl = FState.RAmpl.load(std::memory_order_relaxed);
    settings.SkewUs = FState.SkewUs.load(std::memory_order_relaxed);
    settings.IQMode = FState.IQMode.load(std::memory_order_relaxed);
    settings.MixTones = FState.MixTones.load(std::memory_order_relaxed);
    settings.LeftOn = FState.TLedLeft.load(std::memory_order_relaxed);
    settings.RightOn = FState.TLedRight.load(std::memory_order_relaxed);
    settings.EffSampleRate = FState.EffSampleRate.load(std::memory_order_relaxed);
    return settings;
}

// Runs on the playback thread: one generated block into every free buffer, settings read once
// per block.
void TAudioEngine::FillOutputBuffers()
{
    std::array<int16_t, 2 * kBlockFrames> block;
    while (TWaveHeader *header = GetFreeOutHeader()) {
        FSynth.SynthBlock(ReadToneSettings(), block.data());
        std::memcpy(header->Data, block.data(), kBlockBytes);
        FBlocksGenerated.fetch_add(1);
    }
}

}  // namespace zelvaro
