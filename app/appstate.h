// TAppState: the application state record that TMainForm carries, field by field with its unit,
// range, writers and readers.
#pragma once

#include "audioengine.h"
#include "panelmath.h"

#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

namespace zelvaro {

// Every field lives on the GUI thread: only TMainForm's handlers (genctrls.cpp, anactrls.cpp,
// menuctrls.cpp, mainform.cpp) read or write it, and no lock guards it. The engine's threads never
// see this record. They read copies that two functions publish after every change:
//   PublishGenerator -> TEngineState (atomics): LFreqHz, RFreqHz, LAmpl, RAmpl, SkewUs, IQMode,
//                       GenOn, EffSampleRate, and the channel lamps TLedLeft/TLedRight.
//                       Read by TGenOut (synthesis, once per block).
//   PublishAnalyser  -> TSpectrumSettings (one copy under the analyser's settings lock): FftSize,
//                       StartHz, HzPerBin, FullScaleMag, TopDb, BottomDb, SALeftOn, SARightOn,
//                       UseWindow, AvgCount. Read by TDoProcess, once at the start of each frame.
//                    -> TEngineState: EffSampleRate, FftSize (read by the capture driver thread
//                       once per block), SpecOn (read by TDoProcess).
// docs/threads.md has the whole picture: threads, what they touch and the locks.
//
// "Published" below names the copy a field reaches; "Written by" lists the handlers that assign
// it; "Read by" the code that uses it. A field marked "never read" is kept because it is part of
// the record as specified and tests check it, though no code depends on it.
struct TAppState {
    // ---- Generator ---------------------------------------------------------------------------
    // Tone frequencies, whole Hz, kToneFreqMin..kToneFreqMax (0..10000). Saved in a configuration.
    // Written by: ApplyRecord (load), FreqChange (LFreqChange/RFreqChange, from the slider, the
    //   frequency lock and the typed value through the slider).
    // Read by: ApplySettings, CurrentRecord, BFreqREqLClick, the constructor.
    // Published (generator).
    int LFreqHz = 0, RFreqHz = 0;
    // Unclamped frequency accumulators, Hz, any int: they run on past 0 and 10000 while the
    // frequency lock pushes one tone against a limit, so the pair keeps its distance.
    // Written by: ApplySettings (= LFreqHz/RFreqHz), FreqChange. Read by: FreqChange.
    int LFreqTarget = 0, RFreqTarget = 0;
    // Level slider positions, 1/10000 of full scale, kLevelPosMin..kLevelPosMax (10..10000).
    // Saved in a configuration.
    // Written by: ApplyRecord, LevelChange (LLevelChange/RLevelChange).
    // Read by: ApplySettings, CurrentRecord, LevelChange, BLevREqLClick.
    int LLevelPos = kLevelPosMax / 2, RLevelPos = kLevelPosMax / 2;
    // Levels in dB relative to full scale, 20 log10(position / 10000): -60..0 from the slider, and
    // below -60 while the level lock holds one channel at its minimum (the lock's targets).
    // Written by: ApplySettings, LevelChange. Read by: LevelChange.
    float LLevelDb = 0.0f, RLevelDb = 0.0f;
    // Linear tone amplitudes, 0.001..1 of full scale (level position / LLevel maximum).
    // Written by: LevelChange. Read by: PublishGenerator only. Published (generator).
    float LAmpl = 0.0f, RAmpl = 0.0f;
    // Generator running. Written by: BGeneratorClick (also through IQButtClick and a lost device).
    // Read by: the generator and analyser handlers (devices stay open while either runs).
    // Published (generator).
    bool GenOn = false;
    // Tone enabled on the left / right output channel. Written by: BGenLeftClick, BGenRightClick,
    // IQButtClick. Read by: BGeneratorClick, IQButtClick. Reaches the engine as the lamp states.
    bool GenLeftOn = true, GenRightOn = false;
    // Level lock and frequency lock. Written by: BLevLockClick, BFreqLockClick (and IQButtClick
    // through them); released for a moment by ApplySettings and the "R = L" buttons.
    // Read by: FreqChange, LevelChange, IQButtClick.
    bool LevLocked = false, FreqLocked = false;
    // I/Q mode engaged: the right channel's tone runs in quadrature with the left one.
    // Written by: IQButtClick. Read by: IQButtClick. Published (generator).
    bool IQMode = false;
    // Tone 2 as it was before I/Q mode began (frequency in Hz, level slider position; -1: none),
    // given back when I/Q mode ends. Saved beside a configuration's record with the switches.
    // Written by: IQButtClick (entering), ApplySwitches. Read by: IQButtClick (leaving),
    // CurrentSwitches.
    int IQSavedRFreqHz = -1, IQSavedRLevelPos = -1;
    // Guard while one control of a linked pair moves its twin, so the twin's handler does not
    // push back. Written and read by: FreqChange, LevelChange, FreqEditExit, LevelEditExit.
    bool Updating = false;

    // ---- Analyser ----------------------------------------------------------------------------
    // Sample rate of both sound directions, Hz, always kSampleRate (22050); nothing changes it.
    // Written by: the constructor. Read by: ApplySettings, OpCalClick.
    int SampleRate = kSampleRate;
    // FFT length, one of 65536, 16384, 8192, 4096, 2048. Saved in a configuration (as a float).
    // Written by: ApplyRecord, RB64kClick .. RB2kClick. Read by: ApplySettings, SetSpan,
    // CurrentRecord. Published (analyser settings and engine: the capture side's block slide).
    int FftSize = 8192;
    // Frequency calibration pair, Hz, both positive with a ratio of 0.5..2. Saved.
    // Written by: ApplyRecord, OpCalClick. Read by: ApplySettings, OpCalClick, CurrentRecord.
    float CalMeasured = 1000.0f, CalDisplayed = 1000.0f;
    // CalMeasured / CalDisplayed, 0.5..2. Written by: ApplySettings, OpCalClick; read by the same,
    // right after, to compute EffSampleRate.
    float CalFactor = 1.0f;
    // Calibrated sample rate, Hz: SampleRate * CalFactor (11025..44100). All frequency arithmetic
    // of the analyser and the synthesis uses it. Written by: ApplySettings, OpCalClick.
    // Read by: SetSpan, HScaleMouseMove, TickTimer (pacing). Published (generator and engine).
    float EffSampleRate = static_cast<float>(kSampleRate);
    // Width of one FFT bin, Hz: EffSampleRate / FftSize. One bin per plot column, so also Hz per
    // pixel. Written by: ApplySettings, SetSpan. Read by: AppIdle (readout), HScaleMouseMove.
    // Published (analyser settings).
    float HzPerBin = 0.0f;
    // Frequency span across the plot, Hz: PlotWidth * HzPerBin. Written by: ApplySettings, SetSpan.
    // Read by: SetSpan (zoom around the centre), HScaleMouseMove.
    float SpanHz = 0.0f;
    // Frequency at the left edge of the plot, Hz, 0 .. EffSampleRate / 2 - SpanHz. Saved.
    // Written by: ApplyRecord, SetSpan (span buttons, calibration, default load), HScaleMouseMove
    // (ruler drag), all on the GUI thread.
    // Read by: AppIdle (readout frequency), SetSpan, HScaleMouseMove, CurrentRecord; published in
    // the analyser settings, where TDoProcess reads its copy once per frame (first plotted bin).
    float StartHz = 800.0f;
    // Frequency at the plot's centre, Hz: StartHz + SpanHz / 2. Written by: SetSpan,
    // HScaleMouseMove. Never read: the zoom recomputes the centre from StartHz and SpanHz.
    float CenterHz = 0.0f;
    // FFT magnitude of a full-scale sine, the spectrum's 0 dB: FftSize * 32767 * 0.5.
    // Written by: SetSpan. Read by: PublishAnalyser only. Published (analyser settings).
    float FullScaleMag = 0.0f;
    // The plot's dB window: BottomDb (-160..0, from VRange) at the bottom edge, DbSpan (10..160,
    // from VGain) from bottom to top, TopDb = BottomDb + DbSpan at the top edge.
    // Written by: the constructor, VGainChange, VRangeChange. Read by: the same handlers, YToDb
    // (readout). TopDb and BottomDb are published (analyser settings: grid and traces).
    int BottomDb = -160, DbSpan = 160, TopDb = 0;
    // Averaging length of the spectrum: each frame counts 1 / AvgCount. Always 2; nothing
    // changes it. Read by: PublishAnalyser only. Published (analyser settings).
    int AvgCount = 2;
    // Hann window before the transform. Always true; nothing changes it. Read by:
    // PublishAnalyser only. Published (analyser settings).
    bool UseWindow = true;
    // Analyser running. Written by: BSpecAnClick (also around ConfigChosen and a lost device).
    // Read by: the analyser handlers, BGeneratorClick (devices), ConfigChosen. Published (engine).
    bool SpecOn = false;
    // Left / right input channel shown. Written by: BSALeftClick, BSARightClick.
    // Read by: BSpecAnClick. Published (analyser settings).
    bool SALeftOn = true, SARightOn = false;
    // Both sound devices open. Written by: OpenDevices, CloseDevices, FormCloseQuery.
    // Read by: OpenDevices.
    bool DevicesOpen = false;
    // Channel skew compensation, signed microseconds; the dialog's slider covers -50..+50 and a
    // typed value may reach +-10000. Saved (as a float).
    // Written by: ApplyRecord, OpSkewClick. Read by: OpSkewClick, CurrentRecord. Published
    // (generator).
    double SkewUs = 0.0;
    // A mouse button is held on the ruler HScale. Written by: HScaleMouseDown, HScaleMouseUp.
    // Read by: HScaleMouseMove.
    bool ScaleDragging = false;
    // Last ruler x during a drag, ruler pixels. Written by: HScaleMouseDown, HScaleMouseMove.
    // Read by: HScaleMouseMove.
    int DragX = 0;

    // ---- Plot and readout ----------------------------------------------------------------------
    // Plot area in client pixels (526 x 220 at 106, 56), from PB1. Written by: the constructor.
    // Read by: SetSpan/ApplySettings (PlotWidth), YToDb (PlotHeight), AppIdle and
    // DrawReadoutArea (PlotLeft, PlotTop).
    int PlotWidth = 0, PlotHeight = 0, PlotLeft = 0, PlotTop = 0;
    // PlotRect: the plot in its own coordinates (0, 0, PlotWidth, PlotHeight); written by the
    // constructor, read by AppIdle (pointer inside?). ReadoutRect: the readout box, 133 x 15;
    // written by the constructor, never read (TPlotView sizes the box from kReadoutWidth/Height).
    QRect PlotRect, ReadoutRect;
    // Pointer inside the plot; pointer moved (or a new frame arrived) since the readout was last
    // drawn. Written by: AppIdle, ShowReadout (clears CursorMoved), FrameReady (sets it).
    // Read by: ShowReadout, AppIdle.
    bool CursorInPlot = false, CursorMoved = false;
    // Pointer position relative to the plot, pixels. Written by: AppIdle. CursorPlotY is read by
    // ShowReadout (dB at the pointer); CursorPlotX is never read (CursorHz carries it).
    int CursorPlotX = 0, CursorPlotY = 0;
    // Frequency under the pointer, Hz: CursorPlotX * HzPerBin + StartHz. Written by: AppIdle.
    // Read by: ShowReadout.
    float CursorHz = 0.0f;
    // Client position where the readout is drawn next. Written by: AppIdle. Read by:
    // DrawReadoutArea.
    int ReadoutX = 0, ReadoutY = 0;
    // Client position where the readout was drawn last (-1: never). Written by: DrawReadoutArea.
    // Never read: the plot view repaints the old box itself.
    int PrevReadoutX = -1, PrevReadoutY = -1;
    // The last readout text, "%5d Hz, %5.1f dB". Written by: ShowReadout. Read by:
    // DrawReadoutArea.
    QString ReadoutText;

    // ---- Measurement (measurectrls.cpp) -------------------------------------------------------
    // These reach the processing thread through PublishOverlay (TOverlaySettings, one copy under
    // the overlay's lock, read once per frame). Remembered in Measurement.conf, not in the record.
    // The IMD readout occupies the bottom strip and the IM-locked markers show.
    // Written by: OpImdReadoutClick, the constructor (remembered). Read by: UpdateStrip,
    // PublishOverlay.
    bool ImdReadoutOn = false;
    // Reference of the readout's product levels: 0 dBc, 1 dB PEP, 2 IEC d3 (TImdReference).
    // Written by: SetImdReference, the constructor. Read by: UpdateStrip.
    int ImdReference = 0;
    // Peak hold traces shown; PeakHoldEpoch (any value, wraps) is raised each time peak hold is
    // switched on, which clears the held maxima. Written by: OpPeakHoldClick. Read by:
    // PublishOverlay.
    bool PeakHoldOn = false;
    std::uint32_t PeakHoldEpoch = 0;
    // Both tones summed on both outputs; excludes IQMode. Written by: OpMixClick, IQButtClick
    // (switches it off), the constructor. Read by: PublishGenerator (engine), LevelChange (held
    // levels), the snapshot's settings.
    bool MixTones = false;
    // User markers M1 and M2, Hz (bin centres, 0 .. Nyquist); kept across span changes, drawn
    // only inside the span. Written by: PlotClick, MarkerAtPeak, ClearMarkers. Read by:
    // PublishOverlay.
    std::optional<double> Marker1Hz, Marker2Hz;
};

}  // namespace zelvaro
