// Arithmetic of the front panel: level units, span zoom, ruler drag, readout placement, typed numbers.
#include "panelmath.h"

#include "spanview.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace zelvaro {

double LevelPosToDb(int position, int levelMax)
{
    return 20.0 * std::log10(static_cast<double>(position) / levelMax);
}

int DbToLevelPos(double db, int levelMax)
{
    const double position = std::pow(10.0, 0.05 * db) * levelMax + 0.5;
    if (!(position >= 0.0))  // NaN
        return 0;
    if (position >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(position);
}

TSpanState ZoomSpan(float startHz, float oldSpanHz, float effSampleRate, int fftSize, int plotWidth)
{
    TSpanState span{};
    const float centerHz = startHz + oldSpanHz * 0.5f;
    span.HzPerBin = effSampleRate / static_cast<float>(fftSize);
    span.SpanHz = static_cast<float>(plotWidth) * span.HzPerBin;
    span.StartHz = CentredStartHz(centerHz, span.SpanHz, effSampleRate * 0.5f);
    span.CenterHz = span.StartHz + span.SpanHz * 0.5f;
    return span;
}

float PlotXToHz(int x, float startHz, float hzPerBin)
{
    return static_cast<float>(x) * hzPerBin + startHz;
}

float DraggedStartHz(float startHz, int dragX, int x, float hzPerBin, float spanHz, float effSampleRate)
{
    const float shiftHz = static_cast<float>(dragX - x) * hzPerBin;
    if (startHz + shiftHz > effSampleRate * 0.5f - spanHz)
        return startHz;
    return std::max(startHz + shiftHz, 0.0f);
}

QPoint ReadoutOrigin(QPoint pointer, QRect plot)
{
    int x = pointer.x() + kReadoutOffsetX;
    x = std::max(x, plot.left());
    x = std::min(x, plot.left() + plot.width() - kReadoutWidth);
    int y = pointer.y() + kReadoutOffsetY;
    y = std::max(y, plot.top());
    y = std::min(y, plot.top() + plot.height() - kReadoutHeight);
    return {x, y};
}

double TypedLevelDb(double typed)
{
    const double level = typed > 0.0 ? -typed : typed;
    return std::max(level, kLowestTypedLevelDb);
}

}  // namespace zelvaro
