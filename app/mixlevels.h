// Level positions of the two tones when both are summed on both outputs (Mix): their amplitudes
// add, so the two positions may add up to full scale and no more.
#pragma once

#include <utility>

namespace zelvaro {

// The position a tone may take beside its twin: the wanted one, or as much as leaves the sum at
// full scale (never below the lowest position).
int MixHeldPosition(int wanted, int twin, int maxPosition, int minPosition);

// Both positions scaled down together, keeping their ratio, when they add up above full scale.
std::pair<int, int> MixFittedPositions(int left, int right, int maxPosition, int minPosition);

}  // namespace zelvaro
