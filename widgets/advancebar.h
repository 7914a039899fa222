// TAdvanceBar: a sunken frame with a solid level bar proportional to Position / Max.
#pragma once

#include "colorref.h"

#include <QRect>
#include <QWidget>

namespace advancebar {

// The bar's filled pixels inside a w x h control (empty when there is nothing to fill).
QRect barRect(QSize size, int orientation, int position, int max);

}  // namespace advancebar

class TAdvanceBar : public QWidget {
    Q_OBJECT

public:
    explicit TAdvanceBar(QWidget *parent = nullptr);

    static constexpr int orientationHorizontal = 0;
    static constexpr int orientationVertical = 1;

    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor color);
    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor color);
    int Max() const { return FMax; }
    void SetMax(int value);
    int Orientation() const { return FOrientation; }
    void SetOrientation(int value);  // 0 horizontal, 1 vertical; other values are ignored
    int Position() const { return FPosition; }
    void SetPosition(int value);
    void Inc(int n);
    void Dec(int n);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TColor FBackColor = 0;
    TColor FBarColor = 0;
    int FMax = 0;
    int FOrientation = orientationHorizontal;
    int FPosition = 0;
};
