// The help page (F1) and the About box of the instrument.
#include "helpdlg.h"

#include "dialogparts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace zelvaro {

QString HelpText()
{
    return QStringLiteral(
        "<h3>Keys</h3>"
        "<table>"
        "<tr><td><b>F1</b></td><td>this page</td></tr>"
        "<tr><td><b>Tab</b>, <b>Shift+Tab</b></td><td>from control to control</td></tr>"
        "<tr><td><b>Space</b></td><td>presses the focused button</td></tr>"
        "<tr><td><b>Left</b>, <b>Right</b></td><td>choose the Hor. Span (Tab stops at the chosen one)</td></tr>"
        "<tr><td><b>Up</b>, <b>Down</b>, wheel</td><td>step the focused field or slider: 1 Hz, 10 Hz with Shift, "
        "100 Hz with Ctrl; 0.1 dB, 1 dB with Shift</td></tr>"
        "<tr><td><b>Enter</b>, <b>Tab</b>, a click elsewhere</td><td>apply a typed value</td></tr>"
        "<tr><td><b>Escape</b></td><td>gives a field back the value it had before you typed</td></tr>"
        "<tr><td><b>C</b></td><td>centres the band between the two strongest peaks, or the generator's two "
        "tones</td></tr>"
        "</table>"
        "<h3>Moving the band</h3>"
        "<p>Drag the plot or the ruler beneath it sideways. A double-click in the plot centres the band on "
        "that frequency; its first click sets marker M1 as any click does. A change of <i>Hor. Span</i> "
        "keeps both tones in view when they were in view and fit in the new span, centring the band "
        "between them. \"L\" (white) and \"R\" (yellow) at the top right name the traces shown.</p>"
        "<p>Frequencies are typed in whole hertz (700.5 becomes 701), levels in dB below full scale without "
        "their sign, with \".\" or \",\" as the decimal separator. An emptied field changes nothing.</p>"
        "<h3>What the plot's 0 dB is</h3>"
        "<p>0 dB on the plot is a full-scale sine measured before the Hann window. The window takes 6.02 dB "
        "off a tone, so a tone exactly on a bin centre reads 6.02 dB below its level: a tone played at -10 dB "
        "reads about -16 dB. A tone between two bins reads up to 1.4 dB lower still. For exact tone and "
        "product levels use <i>zelvaro measure</i>.</p>"
        "<h3>Two tones into a transmitter with one microphone input</h3>"
        "<ol><li>Set tone 1 and tone 2 (700 and 1900 Hz are usual), each at least 6 dB below full scale so "
        "their sum cannot clip.</li>"
        "<li>Choose <i>Mix: both tones on both outputs</i> in Options (key M) and connect one output to the "
        "microphone input, or join the left and right outputs with two equal resistors. Set the drive with "
        "the level sliders; Lock keeps both levels together.</li>"
        "<li>Feed the receiver's or the monitor's audio into the line input, switch the analyser on and read "
        "the products beside the tones.</li></ol>");
}

QString AboutText()
{
    return QStringLiteral("<h3>Zelvaro %1</h3>"
                          "<p>A two-tone generator and stereo spectrum analyser for testing transmitters "
                          "and audio chains.</p>"
                          "<p>Copyright 2026 The Zelvaro developers.<br>"
                          "No licence to copy, modify or redistribute this software has been published yet. "
                          "Until one is, all rights are reserved.</p>")
        .arg(QStringLiteral(ZELVARO_VERSION));
}

void ShowHelp(QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("HelpDlg"));
    dialog.setWindowTitle(QStringLiteral("Zelvaro Help"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *page = new QTextBrowser(&dialog);
    page->setHtml(HelpText());
    page->setFont(DialogFont(12));
    layout->addWidget(page);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(520, 520);
    dialog.exec();
}

void ShowAbout(QWidget *parent)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("About Zelvaro"), AboutText(), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);
    box.exec();
}

}  // namespace zelvaro
