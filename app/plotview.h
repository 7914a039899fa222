// The plot area of the main window: the analyser's last frame with the pointer readout over it.
#pragma once

#include <QString>
#include <QWidget>

namespace zelvaro {

class TSpectrumAnalyser;

// Lies over the plot area of the face. It draws no frame of its own: it copies the analyser's
// last complete frame (which the analyser exchanges under its display lock) and writes the
// readout text on top, so an old readout is always erased by the plot beneath it.
class TPlotView : public QWidget {
    Q_OBJECT

public:
    TPlotView(TSpectrumAnalyser &analyser, QWidget *parent);

    // The readout at plot coordinates `origin`, or none when `text` is empty.
    void SetReadout(QPoint origin, const QString &text);
    QPoint ReadoutOrigin() const { return FReadoutOrigin; }
    const QString &ReadoutText() const { return FReadoutText; }

signals:
    // A left click in the plot, in plot pixels, with the keyboard modifiers held.
    void Clicked(QPoint point, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QRect ReadoutArea() const;

    TSpectrumAnalyser &FAnalyser;  // told the screen's pixel ratio when painting
    QPoint FReadoutOrigin;
    QString FReadoutText;
};

}  // namespace zelvaro
