// The plot area of the main window: the analyser's last frame with the pointer readout over it.
#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace zelvaro {

class TSpectrumAnalyser;

// Lies over the plot area of the face. It draws no frame of its own: it copies the analyser's
// last complete frame (which the analyser exchanges under its display lock) and writes the
// readout, on a backing of its own, and the traces' colour key on top, so an old readout is
// always erased by the plot beneath it.
//
// The left button either clicks (press and release within the drag distance) or drags the band:
// a drag reports the press position first, then every move, then its end, so the window can
// steer the band exactly as a drag on the ruler does.
class TPlotView : public QWidget {
    Q_OBJECT

public:
    // readoutBack: the readout's backing, drawn with its own alpha.
    TPlotView(TSpectrumAnalyser &analyser, QColor readoutBack, QWidget *parent);

    // The readout at plot coordinates `origin`, or none when `text` is empty.
    void SetReadout(QPoint origin, const QString &text);
    QPoint ReadoutOrigin() const { return FReadoutOrigin; }
    const QString &ReadoutText() const { return FReadoutText; }
    // The box the readout's backing fills, in plot pixels; empty without a readout.
    QRect ReadoutBacking() const;

    // Names the traces that are on in the top-right corner; `lower` puts the key one text line
    // down, clear of the markers' reading that the frame carries there.
    void SetTraceKey(bool left, bool right, bool lower);
    // The key's box in plot pixels; empty when no trace is on or no frame has been shown.
    QRect TraceKeyArea() const;

signals:
    // A left click in the plot, in plot pixels, with the keyboard modifiers held at the press.
    void Clicked(QPoint point, Qt::KeyboardModifiers modifiers);
    void DoubleClicked(QPoint point);
    // A drag with the left button: pressed at x, moved to x, released.
    void DragStarted(int x);
    void Dragged(int x);
    void DragEnded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QRect ReadoutArea() const;
    void PaintReadout(QPainter &painter) const;
    void PaintTraceKey(QPainter &painter) const;

    TSpectrumAnalyser &FAnalyser;  // told the screen's pixel ratio when painting
    QColor FReadoutBack;
    QPoint FReadoutOrigin;
    QString FReadoutText;
    bool FKeyLeft = false;
    bool FKeyRight = false;
    bool FKeyLower = false;
    int FMarkerLineHeight = 0;  // of the markers' reading in the plot font
    // The left button: where it went down, with which modifiers, and whether it became a drag.
    bool FPressed = false;
    bool FDragging = false;
    QPoint FPressPoint;
    Qt::KeyboardModifiers FPressModifiers;
};

}  // namespace zelvaro
