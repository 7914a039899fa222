// Keyboard focus on the panel: the order Tab follows and the frame on the controls Qt draws.
#include "mainform.h"

#include "focusframe.h"
#include "nakedslider.h"
#include "shapebutton.h"

#include <QLineEdit>
#include <QRadioButton>

#include <iterator>

namespace zelvaro {

// Tab reads the panel box by box, as the eye does: the span lamps along the top, the analyser
// column, the two sliders right of the plot, the generator column, then the tone 1 box, the
// R = L / Lock box between the tones and the tone 2 box, each from top to bottom. Of the span
// lamps Tab stops at the chosen one only; the arrow keys move the choice along the row.
void TMainForm::SetUpKeyboardFocus()
{
    QWidget *const order[] = {RB64k, RB16k, RB8k, RB4k, RB2k,
                              BSpecAn, BSALeft, BSARight, IQButt,
                              VGain, VRange,
                              BGenerator, BGenLeft, BGenRight,
                              LFreqDisp, LFreq, LLevel, LMagDisp,
                              BFreqREqL, BFreqLock, BLevREqL, BLevLock,
                              RFreqDisp, RFreq, RLevel, RMagDisp};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Tab stops at the chosen lamp however it was chosen: by a key, a click or a loaded
    // configuration (Qt itself moves the stop only with the focus).
    QRadioButton *const lamps[] = {RB64k, RB16k, RB8k, RB4k, RB2k};
    const auto stopAtChosenLamp = [lamps] {
        for (QRadioButton *lamp : lamps)
            lamp->setFocusPolicy(lamp->isChecked() ? Qt::TabFocus : Qt::NoFocus);
    };
    for (QRadioButton *lamp : lamps)
        connect(lamp, &QRadioButton::toggled, this, stopAtChosenLamp);
    stopAtChosenLamp();

    // The shaped buttons and the sliders draw the frame themselves.
    QWidget *const framed[] = {LFreqDisp, RFreqDisp, LMagDisp, RMagDisp, RB64k, RB16k, RB8k, RB4k, RB2k};
    for (QWidget *control : framed)
        new TFocusFramer(control);
}

}  // namespace zelvaro
