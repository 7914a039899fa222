// The bottom strip: a small dark display set into the panel's bottom plate.
#include "statusstrip.h"

#include <QPainter>

namespace zelvaro {

namespace {

constexpr QRgb kStripBack = qRgb(0, 0, 64);
constexpr QRgb kStripBorder = qRgb(39, 72, 107);
constexpr QRgb kStripText = qRgb(210, 210, 210);
constexpr QRgb kStripMessage = qRgb(255, 255, 0);
constexpr int kStripFontPixels = 12;
constexpr int kStripTextLeft = 8;
constexpr int kStripRadius = 3;

}  // namespace

QString DeviceStripText(bool loopback, const QString &input, const QString &output)
{
    if (loopback)
        return QStringLiteral("Sound device: loopback card (playback fed back into capture)");
    if (input.isEmpty() && output.isEmpty())
        return QStringLiteral("Sound device: default device");
    const QString in = input.isEmpty() ? QStringLiteral("default device") : input;
    const QString out = output.isEmpty() ? QStringLiteral("default device") : output;
    if (in == out)
        return QStringLiteral("Sound device: ") + in;
    return QStringLiteral("Input: %1   Output: %2").arg(in, out);
}

TStatusStrip::TStatusStrip(QWidget *parent) : QWidget(parent)
{
    QFont stripFont(QStringLiteral("Liberation Mono"));
    stripFont.setStyleHint(QFont::Monospace);
    stripFont.setPixelSize(kStripFontPixels);
    stripFont.setBold(true);
    setFont(stripFont);
    FMessageTimer.setSingleShot(true);
    connect(&FMessageTimer, &QTimer::timeout, this, [this] {
        FMessage.clear();
        update();
    });
}

void TStatusStrip::SetReadout(const QStringList &lines)
{
    if (lines == FReadout)
        return;
    FReadout = lines;
    update();
}

void TStatusStrip::SetDeviceText(const QString &text)
{
    if (text == FDeviceText)
        return;
    FDeviceText = text;
    update();
}

void TStatusStrip::ShowMessage(const QString &text, int ms)
{
    FMessage = text;
    FMessageTimer.start(ms);
    update();
}

QStringList TStatusStrip::ShownLines() const
{
    if (!FMessage.isEmpty())
        return FMessage.split(QLatin1Char('\n'));
    if (!FReadout.isEmpty())
        return FReadout;
    return {FDeviceText};
}

void TStatusStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(kStripBorder));
    painter.setBrush(QColor(kStripBack));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kStripRadius, kStripRadius);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(FMessage.isEmpty() ? kStripText : kStripMessage));
    const QStringList lines = ShownLines();
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    int top = (height() - lineHeight * static_cast<int>(lines.size())) / 2;
    for (const QString &line : lines) {
        painter.drawText(QRect(kStripTextLeft, top, width() - 2 * kStripTextLeft, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(line, Qt::ElideRight, width() - 2 * kStripTextLeft));
        top += lineHeight;
    }
}

}  // namespace zelvaro
