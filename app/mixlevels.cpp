// Level positions held for Mix.
#include "mixlevels.h"

#include <algorithm>

namespace zelvaro {

int MixHeldPosition(int wanted, int twin, int maxPosition, int minPosition)
{
    return std::max(minPosition, std::min(wanted, maxPosition - twin));
}

std::pair<int, int> MixFittedPositions(int left, int right, int maxPosition, int minPosition)
{
    const long long sum = static_cast<long long>(left) + right;
    if (sum <= maxPosition)
        return {left, right};
    // Rounded down, so the sum never passes full scale; each keeps at least the lowest position.
    const int fittedLeft = std::max(minPosition, static_cast<int>(static_cast<long long>(left) * maxPosition / sum));
    return {fittedLeft, std::max(minPosition, std::min(right, maxPosition - fittedLeft))};
}

}  // namespace zelvaro
