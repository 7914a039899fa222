// Number entry on the main window: steps by key and wheel on fields and sliders, and a typed value
// applied by a click anywhere else in the window, the plot included.
#include "mainform.h"

#include "nakedslider.h"
#include "numberentry.h"
#include "numberfield.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include <algorithm>

namespace zelvaro {

namespace {

// Watches every event of the application for one callback; it lives as long as its owner.
class TEventHook : public QObject {
public:
    TEventHook(QObject *owner, std::function<void(QObject *, QEvent *)> onEvent)
        : QObject(owner), FOnEvent(std::move(onEvent))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        FOnEvent(watched, event);
        return false;
    }

private:
    std::function<void(QObject *, QEvent *)> FOnEvent;
};

// +1 for a key or notch that moves a value up (Up, Right, wheel away from the user), -1 for down,
// 0 for anything else.
int StepDirection(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Right:
            return 1;
        case Qt::Key_Down:
        case Qt::Key_Left:
            return -1;
        default:
            return 0;
        }
    }
    if (event->type() == QEvent::Wheel) {
        const QPoint notch = static_cast<QWheelEvent *>(event)->angleDelta();
        const int delta = notch.y() != 0 ? notch.y() : notch.x();
        return delta > 0 ? 1 : delta < 0 ? -1 : 0;
    }
    return 0;
}

}  // namespace

void TMainForm::SetUpNumberEntry()
{
    const std::pair<QLineEdit *, TEntryKind> fields[] = {{LFreqDisp, TEntryKind::Frequency},
                                                         {RFreqDisp, TEntryKind::Frequency},
                                                         {LMagDisp, TEntryKind::Level},
                                                         {RMagDisp, TEntryKind::Level}};
    for (const auto &[edit, kind] : fields) {
        auto *field = new TNumberField(edit, kind);
        connect(field, &TNumberField::Stepped, this, [this, edit = edit](double delta) { StepEdit(edit, delta); });
    }
    for (TNakedSlider *slider : {LFreq, RFreq, LLevel, RLevel, VGain, VRange}) {
        slider->setFocusPolicy(Qt::StrongFocus);
        slider->installEventFilter(this);
    }
    FClickHook = new TEventHook(this, [this](QObject *watched, QEvent *event) {
        if (event->type() == QEvent::MouseButtonPress)
            ApplyTypedValueOnClick(watched);
    });
}

bool TMainForm::IsNumberEdit(const QWidget *widget) const
{
    return widget && (widget == LFreqDisp || widget == RFreqDisp || widget == LMagDisp || widget == RMagDisp);
}

// A click on a control that takes the focus applies the value as the field loses it; a click on
// anything else (the plot, the face, a slider) would leave the focus where it is, so the field is
// left here.
void TMainForm::ApplyTypedValueOnClick(QObject *watched)
{
    auto *clicked = qobject_cast<QWidget *>(watched);
    QWidget *focus = QApplication::focusWidget();
    if (!clicked || !IsNumberEdit(focus) || clicked == focus || clicked->window() != this)
        return;
    if (clicked->focusPolicy() & Qt::ClickFocus && clicked->isEnabled())
        return;
    focus->clearFocus();
}

void TMainForm::StepEdit(QLineEdit *edit, double delta)
{
    const bool left = edit == LFreqDisp || edit == LMagDisp;
    const bool typedAhead = edit->isModified();
    if (edit == LFreqDisp || edit == RFreqDisp) {
        TNakedSlider *slider = left ? LFreq : RFreq;
        double base = left ? LFreqHz : RFreqHz;
        if (const std::optional<double> typed = ParseEntryNumber(edit->text(), false); typed && typedAhead)
            base = *typed;
        slider->SetPosition(std::clamp(RoundToWholeHz(base + delta), slider->Min(), slider->Max()));
        return;
    }
    TNakedSlider *slider = left ? LLevel : RLevel;
    int position = left ? LLevelPos : RLevelPos;
    if (const std::optional<double> typed = ParseEntryNumber(edit->text(), true); typed && typedAhead)
        position = std::clamp(DbToLevelPos(static_cast<float>(TypedLevelDb(RoundToTenthDb(*typed)))), slider->Min(),
                              slider->Max());
    slider->SetPosition(SteppedLevelPos(position, delta, slider->Min(), slider->Max()));
}

bool TMainForm::StepSlider(TNakedSlider *slider, QEvent *event)
{
    const int direction = StepDirection(event);
    if (direction == 0 || !slider->isEnabled())
        return false;
    const Qt::KeyboardModifiers modifiers = static_cast<QInputEvent *>(event)->modifiers();
    if (slider == LLevel || slider == RLevel) {
        const double stepDb = direction * EntryStep(TEntryKind::Level, modifiers);
        slider->SetPosition(SteppedLevelPos(slider->Position(), stepDb, slider->Min(), slider->Max()));
    } else {
        const long long moved = static_cast<long long>(slider->Position()) + direction * SliderStep(modifiers);
        slider->SetPosition(static_cast<int>(std::clamp<long long>(moved, slider->Min(), slider->Max())));
    }
    return true;
}

}  // namespace zelvaro
