// The capture side's split, conversion and slide of one block into the histories.
#include <inputblock.h>

#include <gtest/gtest.h>

#include <vector>

namespace zelvaro {
namespace {

TEST(InputBlock, SplitsConvertsAndSlidesBothChannelsByOneBlock)
{
    TSampleHistory history;
    std::vector<int16_t> block(2 * kBlockFrames);
    for (int k = 0; k < kBlockFrames; ++k) {
        block[2 * static_cast<size_t>(k)] = static_cast<int16_t>(k - 1024);
        block[2 * static_cast<size_t>(k) + 1] = static_cast<int16_t>(k == 0 ? -32768 : 32767 - k);
    }
    SlideBlockIntoHistory(block.data(), history, 4096);
    SlideBlockIntoHistory(block.data(), history, 4096);
    std::vector<float> left(4096), right(4096);
    history.CopyNewest(left.data(), right.data(), 4096);
    for (int k = 0; k < kBlockFrames; ++k) {
        for (int copy : {0, kBlockFrames}) {
            ASSERT_EQ(left[static_cast<size_t>(copy + k)], static_cast<float>(k - 1024)) << k;
            ASSERT_EQ(right[static_cast<size_t>(copy + k)], k == 0 ? -32768.0f : static_cast<float>(32767 - k)) << k;
        }
    }
}

}  // namespace
}  // namespace zelvaro
