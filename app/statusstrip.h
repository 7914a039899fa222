// The strip at the bottom of the panel: the IMD readout while it runs, otherwise the sound device
// in use, and for a few seconds any message the window has for the user.
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace zelvaro {

constexpr int kStripMessageMs = 5000;

// What the strip shows, by priority: a timed message, then the readout, then the device text.
class TStatusStrip : public QWidget {
    Q_OBJECT

public:
    explicit TStatusStrip(QWidget *parent);

    // The readout's lines; an empty list hands the strip back to the device text.
    void SetReadout(const QStringList &lines);
    void SetDeviceText(const QString &text);
    // Shown for `ms` milliseconds over whatever the strip shows otherwise.
    void ShowMessage(const QString &text, int ms = kStripMessageMs);

    QStringList ShownLines() const;
    bool ShowsMessage() const { return !FMessage.isEmpty(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList FReadout;
    QString FDeviceText;
    QString FMessage;
    QTimer FMessageTimer;
};

// The device line: "Sound device: default device", the chosen devices' names, or the loopback card.
QString DeviceStripText(bool loopback, const QString &input, const QString &output);

}  // namespace zelvaro
