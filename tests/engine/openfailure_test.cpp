// Tests of the messages shown when a sound device cannot be opened.
#include "wavedevice.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zelvaro {
namespace {

// A message box lays out "\n" as line breaks; a "\r" or a platform's name would be untrue here.
TEST(OpenFailureText, EveryMessageIsTrueOnLinuxAndBreaksItsLinesWithNewlines)
{
    for (TDeviceSide side : {TDeviceSide::Capture, TDeviceSide::Playback}) {
        for (int result : {kWaveAllocated, kWaveBadDeviceId, kWaveNoDriver, kWaveNoMem, kWaveBadFormat}) {
            const std::string text = OpenFailureText(result, side);
            ASSERT_FALSE(text.empty()) << result;
            EXPECT_EQ(text.find('\r'), std::string::npos) << text;
            EXPECT_EQ(text.find("Windows"), std::string::npos) << text;
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);)
                EXPECT_LE(line.size(), 80u) << line;
        }
    }
}

TEST(OpenFailureText, BusyDeviceIsNamedAndPlaybackAddsTheFullDuplexHint)
{
    const std::string capture = OpenFailureText(kWaveAllocated, TDeviceSide::Capture);
    const std::string playback = OpenFailureText(kWaveAllocated, TDeviceSide::Playback);
    EXPECT_EQ(capture, "The sound device is already in use by another program.");
    EXPECT_EQ(playback.rfind(capture + "\n", 0), 0u) << playback;
    EXPECT_NE(playback.find("full duplex"), std::string::npos);
    EXPECT_EQ(capture.find('\n'), std::string::npos);
}

TEST(OpenFailureText, OtherResultsHaveNoMessageOfTheirOwn)
{
    EXPECT_TRUE(OpenFailureText(kWaveNoError, TDeviceSide::Capture).empty());
    EXPECT_TRUE(OpenFailureText(kWaveError, TDeviceSide::Playback).empty());
}

}  // namespace
}  // namespace zelvaro
