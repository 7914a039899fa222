// Where the analyser's band starts when it is steered by hand.
#include "spanview.h"

#include <algorithm>

namespace zelvaro {

float ClampedStartHz(float startHz, float spanHz, float nyquistHz)
{
    if (startHz <= 0.0f)
        startHz = 0.0f;
    if (startHz + spanHz > nyquistHz)
        startHz = nyquistHz - spanHz;
    return startHz;
}

float CentredStartHz(float centreHz, float spanHz, float nyquistHz)
{
    return ClampedStartHz(centreHz - spanHz * 0.5f, spanHz, nyquistHz);
}

bool InView(float hz, TBandView band)
{
    return hz >= band.StartHz && hz <= band.StartHz + band.SpanHz;
}

float KeptInViewStartHz(TBandView before, TBandView after, TTonePair tones, float nyquistHz)
{
    const float lowHz = std::min(tones.AHz, tones.BHz);
    const float highHz = std::max(tones.AHz, tones.BHz);
    const bool wereInView = InView(lowHz, before) && InView(highHz, before);
    const bool fit = highHz - lowHz <= after.SpanHz;
    const bool stillInView = InView(lowHz, after) && InView(highHz, after);
    if (!wereInView || !fit || stillInView)
        return after.StartHz;
    return CentredStartHz((lowHz + highHz) * 0.5f, after.SpanHz, nyquistHz);
}

}  // namespace zelvaro
