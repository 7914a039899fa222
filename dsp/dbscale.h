// Decibel arithmetic of the analyser: magnitudes to column levels, and dB to plot rows and back.
#pragma once

#include <algorithm>
#include <cmath>

namespace zelvaro {

// Magnitudes below this (and zero, negative or NaN ones) show at the bottom of the dB range.
constexpr float kMagnitudeFloor = 1e-16f;
// The largest distance from full scale a column can show, in dB.
constexpr double kDbRangeLimit = 160.0;

// Level of one averaged bin for the plot: the negated distance from full scale in dB, so a
// magnitude above full scale shows as far below 0 as it lies above it. Result in [-160, 0].
inline float MagnitudeToColumnDb(float magnitude, float fullScaleMag)
{
    if (!(magnitude >= kMagnitudeFloor))
        magnitude = kMagnitudeFloor;
    const auto level = static_cast<float>(
        20.0 * std::log10(static_cast<double>(magnitude) / static_cast<double>(fullScaleMag)));
    const double distance = std::fabs(static_cast<double>(level));
    return static_cast<float>(-(distance < kDbRangeLimit ? distance : kDbRangeLimit));
}

// Plot row of a level: topDb maps to row 0 and bottomDb to row plotHeight; levels outside the
// window map outside the image, where drawing clips them. Truncates toward zero.
inline int DbToY(float db, int topDb, int bottomDb, int plotHeight)
{
    const int dbSpan = bottomDb - topDb;  // integer difference, negative for a normal window
    if (dbSpan == 0)
        return 0;
    const long double y = (static_cast<long double>(db) - topDb) * plotHeight / dbSpan;
    // Far-off rows are all equally invisible; the bound keeps the conversion defined.
    constexpr long double rowLimit = 1e6L;
    return static_cast<int>(std::clamp(y, -rowLimit, rowLimit));
}

// Level at a plot row, the inverse of DbToY without truncation (used by the pointer readout).
inline float YToDb(int y, int topDb, int bottomDb, int plotHeight)
{
    if (plotHeight == 0)
        return static_cast<float>(topDb);
    return static_cast<float>(static_cast<double>(y * (bottomDb - topDb)) / plotHeight + topDb);
}

}  // namespace zelvaro
