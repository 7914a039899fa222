// Tests of marker placement and of peak hold.
#include "plotmarkers.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zelvaro;

TEST(MarkerColumns, FrequencyAndColumnRoundTripAndOffSpanColumnsStayOutside)
{
    const double hzPerBin = 22050.0 / 8192.0;
    EXPECT_EQ(ColumnOfHz(HzOfColumn(17, hzPerBin, 300), hzPerBin, 300), 17);
    EXPECT_EQ(ColumnOfHz(1000.0, hzPerBin, 300), 372 - 300);  // 1000 Hz is bin 371.5 -> 372
    EXPECT_LT(ColumnOfHz(10.0, hzPerBin, 300), 0);
    EXPECT_GT(ColumnOfHz(1e12, hzPerBin, 300), 100000);
    EXPECT_LT(ColumnOfHz(1000.0, 0.0, 0), 0);  // no bin width: nowhere on the plot
}

TEST(MarkerClick, SnapsToTheHighestColumnWithinFiveColumns)
{
    std::vector<float> levels(100, -120.0f);
    levels[40] = -20.0f;
    levels[47] = -10.0f;  // stronger, but 6 columns from a click at 41
    EXPECT_EQ(NearestPeakColumn(levels, 41), 40);
    EXPECT_EQ(NearestPeakColumn(levels, 42), 47);  // now within reach
    EXPECT_EQ(NearestPeakColumn(levels, 45), 47);
    EXPECT_EQ(NearestPeakColumn(levels, 30), 30);   // nothing higher near: stays at the click
    EXPECT_EQ(NearestPeakColumn(levels, 60), 60);
    EXPECT_EQ(NearestPeakColumn(levels, -20), 0);   // clicks off the edges are clipped
    EXPECT_EQ(NearestPeakColumn(levels, 500), 99);
    EXPECT_EQ(NearestPeakColumn({}, 3), -1);
}

TEST(MarkerKeys, HighestPeakAndTheNextOneApartFromIt)
{
    std::vector<float> levels(100, -120.0f);
    levels[10] = -6.0f;
    levels[12] = -7.0f;  // the same lobe as 10
    levels[70] = -9.0f;
    EXPECT_EQ(HighestColumn(levels), 10);
    EXPECT_EQ(HighestColumn(levels, 10), 70);
    EXPECT_EQ(HighestColumn({}, -1), -1);
}

TEST(PeakHold, KeepsEachBinsMaximumAndClearsOnANewLength)
{
    TPeakHold hold;
    EXPECT_TRUE(hold.Empty());
    std::vector<float> a = {1, 5, 2, 0}, b = {3, 1, 2, 9};
    hold.Update(a, b, 8);
    hold.Update(b, a, 8);
    EXPECT_EQ(hold.Left(), (std::vector<float>{3, 5, 2, 9}));
    EXPECT_EQ(hold.Right(), (std::vector<float>{3, 5, 2, 9}));
    // Another transform length: the old bins were other frequencies, so it starts again.
    std::vector<float> c = {0.5f, 0.5f};
    hold.Update(c, c, 4);
    EXPECT_EQ(hold.Left(), (std::vector<float>{0.5f, 0.5f}));
    hold.Clear();
    EXPECT_TRUE(hold.Empty());
}
