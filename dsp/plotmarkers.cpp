// Marker columns, peak search around a click, and peak hold of the averaged spectrum.
#include "plotmarkers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace zelvaro {

int ColumnOfHz(double hz, double hzPerBin, int firstBin)
{
    if (!(hzPerBin > 0.0) || !std::isfinite(hz))
        return std::numeric_limits<int>::min();
    const double bin = std::round(hz / hzPerBin);
    constexpr double kFarOff = 1e9;  // every such column is equally off the plot
    return static_cast<int>(std::clamp(bin - firstBin, -kFarOff, kFarOff));
}

double HzOfColumn(int column, double hzPerBin, int firstBin)
{
    return static_cast<double>(firstBin + column) * hzPerBin;
}

int NearestPeakColumn(std::span<const float> levels, int column, int radius)
{
    const int count = static_cast<int>(levels.size());
    if (count == 0)
        return -1;
    const int centre = std::clamp(column, 0, count - 1);
    const int first = std::max(0, centre - radius);
    const int last = std::min(count - 1, centre + radius);
    int best = centre;
    for (int i = first; i <= last; ++i) {
        const float level = levels[static_cast<size_t>(i)];
        const float bestLevel = levels[static_cast<size_t>(best)];
        if (level > bestLevel || (level == bestLevel && std::abs(i - centre) < std::abs(best - centre)))
            best = i;
    }
    return best;
}

int HighestColumn(std::span<const float> levels, int avoid, int apart)
{
    int best = -1;
    for (int i = 0; i < static_cast<int>(levels.size()); ++i) {
        if (avoid >= 0 && std::abs(i - avoid) < apart)
            continue;
        if (best < 0 || levels[static_cast<size_t>(i)] > levels[static_cast<size_t>(best)])
            best = i;
    }
    return best;
}

void TPeakHold::Update(std::span<const float> avgL, std::span<const float> avgR, int fftSize)
{
    const auto bins = static_cast<size_t>(fftSize / 2);
    if (avgL.size() < bins || avgR.size() < bins)
        return;
    if (fftSize != FFftSize) {
        FLeft.assign(avgL.begin(), avgL.begin() + static_cast<std::ptrdiff_t>(bins));
        FRight.assign(avgR.begin(), avgR.begin() + static_cast<std::ptrdiff_t>(bins));
        FFftSize = fftSize;
        return;
    }
    for (size_t k = 0; k < bins; ++k) {
        FLeft[k] = std::max(FLeft[k], avgL[k]);
        FRight[k] = std::max(FRight[k], avgR[k]);
    }
}

void TPeakHold::Clear()
{
    FFftSize = 0;
    FLeft.clear();
    FRight.clear();
}

}  // namespace zelvaro
