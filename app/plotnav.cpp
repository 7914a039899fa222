// Steering the plot: dragging it like the ruler, centring on a frequency or on the tones, and a
// span change that keeps the tones in view.
#include "mainform.h"

#include "analyser.h"
#include "imdmeasure.h"
#include "plotview.h"
#include "rulers.h"
#include "statusstrip.h"

#include <QAction>
#include <QMenu>

namespace zelvaro {

void TMainForm::BuildPlotNavigation()
{
    OpMenu->addSeparator();
    OpCentreTones = OpMenu->addAction(QStringLiteral("Centre the span on the tones"), this, &TMainForm::CentreOnTones);
    OpCentreTones->setShortcut(QKeySequence(Qt::Key_C));
    addAction(OpCentreTones);  // the key works with the menu closed

    // A drag in the plot is a drag on the ruler: the same handlers, the same pixels.
    connect(FPlotView, &TPlotView::DragStarted, this, &TMainForm::HScaleMouseDown);
    connect(FPlotView, &TPlotView::Dragged, this, &TMainForm::HScaleMouseMove);
    connect(FPlotView, &TPlotView::DragEnded, this, &TMainForm::HScaleMouseUp);
    connect(FPlotView, &TPlotView::DoubleClicked, this, &TMainForm::PlotDoubleClick);
}

void TMainForm::MoveBand(float startHz)
{
    if (startHz == StartHz)
        return;
    StartHz = startHz;
    HScale->SetHStart(StartHz);
    HScale->SetHStop(StartHz + SpanHz);
    HScale->Refresh();
    CenterHz = StartHz + SpanHz * 0.5f;
    PublishAnalyser();
}

void TMainForm::PlotDoubleClick(QPoint plotPoint)
{
    MoveBand(CentredStartHz(PlotXToHz(plotPoint.x(), StartHz, HzPerBin), SpanHz, EffSampleRate * 0.5f));
}

std::optional<TTonePair> TMainForm::GeneratorTones() const
{
    // Both tones play on distinct frequencies; I/Q mode plays one frequency twice.
    const bool bothTones = MixTones || (GenLeftOn && GenRightOn);
    if (!GenOn || IQMode || !bothTones || LFreqHz == RFreqHz)
        return std::nullopt;
    return TTonePair{static_cast<float>(LFreqHz), static_cast<float>(RFreqHz)};
}

std::optional<TTonePair> TMainForm::TonesToView() const
{
    if (SpecOn) {
        // No hints: the two strongest peaks, whatever plays them, when both stand clear of the floor.
        const TImdAverager::TSnapshot average = FAnalyser->Overlay().AverageSnapshot();
        if (average.Frames > 0 && !average.Power.empty()) {
            const TImdResult peaks = MeasureImd(
                average.Power, HannScale(average.FftSize, static_cast<double>(EffSampleRate), average.Frames));
            if (peaks.Measured())
                return TTonePair{static_cast<float>(peaks.Tones[0].Hz), static_cast<float>(peaks.Tones[1].Hz)};
        }
    }
    return GeneratorTones();
}

void TMainForm::CentreOnTones()
{
    const std::optional<TTonePair> tones = TonesToView();
    if (!tones) {
        Strip->ShowMessage(QStringLiteral("Not centred: no two tones stand clear and the generator plays none"));
        return;
    }
    MoveBand(CentredStartHz((tones->AHz + tones->BHz) * 0.5f, SpanHz, EffSampleRate * 0.5f));
}

void TMainForm::ChangeSpan(int fftSize)
{
    const TBandView before{StartHz, SpanHz};
    FftSize = fftSize;
    SetSpan();
    if (const std::optional<TTonePair> tones = TonesToView())
        MoveBand(KeptInViewStartHz(before, {StartHz, SpanHz}, *tones, EffSampleRate * 0.5f));
}

}  // namespace zelvaro
