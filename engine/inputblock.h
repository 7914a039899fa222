// The capture side's per-block work after the buffer is handed back: split, convert, slide.
#pragma once

#include <samplehistory.h>

#include <cstdint>

namespace zelvaro {

// Splits one interleaved 2048-frame block into left and right, converts both to float and slides
// them into the histories with the one FftSize snapshot the caller took for this block.
void SlideBlockIntoHistory(const int16_t *interleaved, TSampleHistory &history, int fftSize);

}  // namespace zelvaro
