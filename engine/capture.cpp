// Audio capture: opening the capture device, its callback, and the block hand-over.
#include "audioengine.h"
#include "inputblock.h"

#include <cstring>

namespace zelvaro {

namespace {
constexpr int kSystemTextFailure = 9;  // OpenWaveIn/OpenWaveOut already showed a message
}

int TAudioEngine::OpenWaveIn()
{
    std::lock_guard<std::mutex> headers(FInHeadersLock);
    if (FWaveIn->NumDevs() == 0)
        return kWaveError;
    const int opened = FWaveIn->Open(FFormat, [this](int message, TWaveHeader *header) {
        WaveInProc(message, header);
    });
    if (const std::string failure = OpenFailureText(opened, TDeviceSide::Capture); !failure.empty()) {
        FWarn(failure);
        return kSystemTextFailure;
    }
    int error = opened;  // any other failure counts as a buffer error
    for (int i = 0; i < kSoundBufferCount && error == kWaveNoError; ++i) {
        TWaveHeader &header = FInHeaders[static_cast<size_t>(i)];
        uint8_t *buffer = FInBufArea.get() + i * kBlockBytes;
        header.Clear();
        std::memset(buffer, 0, kBlockBytes);
        header.Data = buffer;
        header.BufferLength = kBlockBytes;
        error = FWaveIn->Prepare(header) + FWaveIn->Queue(header);
    }
    if (error != kWaveNoError) {
        if (FWaveInIsOpen.load())
            FWaveIn->Close();
        FWarn("Errors during In_Buffers prepare");
        return kWaveError;
    }
    return FWaveIn->Start();
}

// Failing stop, reset, unprepare and close calls are ignored. Close also runs when the device
// is not open: it then only releases what a failed open acquired.
void TAudioEngine::CloseWaveIn()
{
    std::lock_guard<std::mutex> headers(FInHeadersLock);
    FWaveInStopping.store(true);
    FWaveIn->Pause();
    FWaveIn->Reset();
    for (TWaveHeader &header : FInHeaders)
        FWaveIn->Unprepare(header);
    FWaveIn->Close();
}

bool TAudioEngine::StartInput()
{
    FWaveInStopping.store(false);
    const int result = OpenWaveIn();
    if (result == kWaveNoError)
        return true;
    if (result != kSystemTextFailure) {
        ShowError("Audio input error", FWaveIn->ErrorText(result));
        StopInput();
    }
    return false;
}

void TAudioEngine::StopInput()
{
    CloseWaveIn();
}

void TAudioEngine::WaveInProc(int message, TWaveHeader *header)
{
    switch (message) {
    case kWimOpen:
        FWaveInIsOpen.store(true);
        break;
    case kWimClose:
        FWaveInIsOpen.store(false);
        break;
    case kWimData:
        if (FWaveInStopping.load())
            break;  // buffers returned by a reset are neither analysed nor re-queued
        FLastInHeader.store(header);
        ProcessInputBlock();
        break;
    default:
        break;
    }
}

// Runs on the capture driver thread. The buffer is given back as soon as it is copied; the split,
// conversion and slide work on the copy. FftSize is read once, so both channels of a block slide
// by the same size even if the analyser's span changes meanwhile.
void TAudioEngine::ProcessInputBlock()
{
    const TWaveHeader *header = FLastInHeader.load();
    std::memcpy(FInBlockCopy.get(), header->Data, kBlockBytes);
    FRequeueEvent.Set();

    std::array<int16_t, 2 * kBlockFrames> interleaved;
    std::memcpy(interleaved.data(), FInBlockCopy.get(), kBlockBytes);
    SlideBlockIntoHistory(interleaved.data(), FHistory, FState.FftSize.load(std::memory_order_relaxed));
    if (FBlockTap)
        FBlockTap(interleaved.data(), kBlockFrames);
    FBlocksCaptured.fetch_add(1);
}

}  // namespace zelvaro
