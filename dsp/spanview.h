// Where the analyser's band starts when it is steered by hand: clamped to 0 .. Nyquist, centred
// on a frequency, kept over a pair of tones across a span change. Frequencies in (calibrated) Hz.
#pragma once

namespace zelvaro {

// The band the plot shows: StartHz .. StartHz + SpanHz.
struct TBandView {
    float StartHz = 0.0f;
    float SpanHz = 0.0f;
};

// Two frequencies to keep in sight together, in any order.
struct TTonePair {
    float AHz = 0.0f;
    float BHz = 0.0f;
};

// The start of a band of width spanHz held within 0 .. nyquistHz, in the order of the span
// zoom: a start of 0 or less becomes 0, then a band ending past Nyquist is pushed down to end
// there (a band wider than 0 .. Nyquist therefore starts below 0).
float ClampedStartHz(float startHz, float spanHz, float nyquistHz);

// The clamped start of the band with centreHz in its middle.
float CentredStartHz(float centreHz, float spanHz, float nyquistHz);

// Whether hz lies within the band, both ends included.
bool InView(float hz, TBandView band);

// The start after a span change from `before` to `after` (the zoomed band): when both tones were
// in view before and fit in the new span but the zoom lost one of them, the band is centred
// between them, which shows the products on either side equally; otherwise after.StartHz.
float KeptInViewStartHz(TBandView before, TBandView after, TTonePair tones, float nyquistHz);

}  // namespace zelvaro
