// The help page (F1) and the About box of the instrument.
#pragma once

#include <QString>

class QWidget;

namespace zelvaro {

// The help page's text (HTML): keys, what the plot's 0 dB is, and the two-tone set-up.
QString HelpText();

// The About box's text: version and licence.
QString AboutText();

void ShowHelp(QWidget *parent);
void ShowAbout(QWidget *parent);

}  // namespace zelvaro
