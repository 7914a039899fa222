// Arithmetic of the front panel: level units, span zoom, ruler drag, readout placement, typed levels.
#pragma once

#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

namespace zelvaro {

// Plot area and readout box of the window, in client pixels.
constexpr int kPlotLeft = 106;
constexpr int kPlotTop = 56;
constexpr int kPlotWidth = 526;
constexpr int kPlotHeight = 220;
constexpr int kReadoutWidth = 133;
constexpr int kReadoutHeight = 15;
constexpr int kReadoutOffsetX = 10;   // readout starts right of the pointer
constexpr int kReadoutOffsetY = -25;  // and above it

constexpr int kToneFreqMin = 0;       // generator frequency range, whole Hz
constexpr int kToneFreqMax = 10000;
constexpr int kLevelPosMin = 10;      // level slider range: 0.001 .. 1 of full scale
constexpr int kLevelPosMax = 10000;
constexpr double kLowestTypedLevelDb = -60.0;
constexpr float kFullScaleSampleMag = 32767.0f * 0.5f;  // FFT magnitude of a full-scale sine per point

// Level slider position -> dB relative to full scale.
double LevelPosToDb(int position, int levelMax = kLevelPosMax);

// DbToLevelPos: the slider position of a level in dB, rounded to nearest. Saturates instead of
// overflowing for levels far above full scale; minus infinity and NaN give 0.
int DbToLevelPos(double db, int levelMax = kLevelPosMax);

// Analyser span state after a zoom around the centre (SetSpan) or a calibration change.
struct TSpanState {
    float HzPerBin;
    float SpanHz;
    float StartHz;
    float CenterHz;
};

// SetSpan: keeps the centre of the band that started at startHz with width oldSpanHz, takes the
// bin width of the new FFT length, and keeps the band within 0 .. Nyquist.
TSpanState ZoomSpan(float startHz, float oldSpanHz, float effSampleRate, int fftSize, int plotWidth);

// The frequency at plot column x of a band that starts at startHz: what the readout names there.
float PlotXToHz(int x, float startHz, float hzPerBin);

// HScaleMouseMove: the band start after the pointer moved from dragX to x on the ruler. The band
// stays where it is when the move would carry its end past Nyquist; it never starts below 0 Hz.
float DraggedStartHz(float startHz, int dragX, int x, float hzPerBin, float spanHz, float effSampleRate);

// Where the readout is drawn for a pointer at `pointer` (client coordinates): beside the
// pointer, but never outside the plot (the upper bound wins when the plot is too small).
QPoint ReadoutOrigin(QPoint pointer, QRect plot);

// The level a typed number stands for: levels are typed without their sign, and nothing below
// -60 dB is accepted.
double TypedLevelDb(double typed);

}  // namespace zelvaro
