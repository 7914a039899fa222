// Arithmetic of the plot's markers and of peak hold: columns and frequencies, the nearest peak to
// a click, and the per-bin maxima of the averaged spectrum.
#pragma once

#include <span>
#include <vector>

namespace zelvaro {

// A click sets its marker on the highest column within this many columns of the pointer.
constexpr int kMarkerSnapColumns = 5;

// Plot column that shows the bin nearest to hz; may lie outside 0 .. numPoints - 1 (off span).
int ColumnOfHz(double hz, double hzPerBin, int firstBin);
// Centre frequency of the bin a column shows.
double HzOfColumn(int column, double hzPerBin, int firstBin);
// Column of the highest level within +-radius of column (clipped to the plot); the nearest one
// among equals, so a click on a flat top stays where it is. -1 for an empty plot.
int NearestPeakColumn(std::span<const float> levels, int column, int radius = kMarkerSnapColumns);
// Column of the highest level at least `apart` columns away from `avoid` (-1: avoid none);
// -1 when there is none. Sets a marker from the keyboard.
int HighestColumn(std::span<const float> levels, int avoid = -1, int apart = kMarkerSnapColumns);

// Per-bin maxima of the averaged magnitudes of both channels since the last clear. A change of
// the transform length clears it: bins of another length are other frequencies.
class TPeakHold {
public:
    // avgL, avgR: averaged magnitudes of bins 0 .. bins - 1.
    void Update(std::span<const float> avgL, std::span<const float> avgR, int fftSize);
    void Clear();
    bool Empty() const { return FFftSize == 0; }
    int FftSize() const { return FFftSize; }
    const std::vector<float> &Left() const { return FLeft; }
    const std::vector<float> &Right() const { return FRight; }

private:
    int FFftSize = 0;
    std::vector<float> FLeft;
    std::vector<float> FRight;
};

}  // namespace zelvaro
