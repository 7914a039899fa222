// Split, conversion and slide of one captured block, outside any device code.
#include "inputblock.h"

#include <sigcore.h>

#include <array>

namespace zelvaro {

void SlideBlockIntoHistory(const int16_t *interleaved, TSampleHistory &history, int fftSize)
{
    std::array<int16_t, kBlockFrames> left16;
    std::array<int16_t, kBlockFrames> right16;
    std::array<float, kBlockFrames> leftF;
    std::array<float, kBlockFrames> rightF;
    for (size_t k = 0; k < static_cast<size_t>(kBlockFrames); ++k) {
        left16[k] = interleaved[2 * k];
        right16[k] = interleaved[2 * k + 1];
    }
    vsksbIntToFloat(left16.data(), leftF.data(), kBlockFrames, 16, 0);
    vsksbIntToFloat(right16.data(), rightF.data(), kBlockFrames, 16, 0);
    history.SlideIn(leftF.data(), rightF.data(), fftSize);
}

}  // namespace zelvaro
