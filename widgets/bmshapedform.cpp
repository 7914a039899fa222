// Shaped window face: shows a skin picture and cuts its frameless top-level window to the picture.
#include "bmshapedform.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <stdexcept>
#include <vector>

namespace {
constexpr QRgb kColourBits = 0x00FFFFFFu;
}

QRegion BuildSkinRegion(const QImage &picture)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return {};
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    const int width = pixels.width();
    const int height = pixels.height();
    const QRgb transparent = pixels.pixel(0, height - 1) & kColourBits;

    // Each row's runs make one band; the bands are then merged pairwise, so rows with the same
    // runs coalesce into taller rectangles and the result compares equal to any other
    // construction of the same pixel set.
    std::vector<QRegion> rows;
    std::vector<QRect> runs;
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        runs.clear();
        int start = -1;
        for (int x = 0; x < width; ++x) {
            const bool isTransparent = (row[x] & kColourBits) == transparent;
            const bool last = x == width - 1;
            if ((!isTransparent || last) && start == -1)
                start = x;
            if ((isTransparent || last) && start != -1) {
                const int end = x - (isTransparent ? 1 : 0);
                if (end >= start)
                    runs.emplace_back(QPoint(start, y), QPoint(end, y));
                start = -1;
            }
        }
        if (!runs.empty()) {
            QRegion band;
            band.setRects(runs.data(), static_cast<int>(runs.size()));
            rows.push_back(std::move(band));
        }
    }
    while (rows.size() > 1) {
        std::vector<QRegion> merged;
        merged.reserve(rows.size() / 2 + 1);
        for (std::size_t i = 0; i + 1 < rows.size(); i += 2)
            merged.push_back(rows[i].united(rows[i + 1]));
        if (rows.size() % 2 == 1)
            merged.push_back(rows.back());
        rows.swap(merged);
    }
    return rows.empty() ? QRegion() : rows.front();
}

QImage TranslucentSkin(const QImage &picture)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return {};
    QImage shown = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = shown.pixel(0, shown.height() - 1) & kColourBits;
    for (int y = 0; y < shown.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            row[x] = (row[x] & kColourBits) == transparent ? 0u : (row[x] | ~kColourBits);
    }
    return shown.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TSizeModes ReconcileSizeModes(TSizeModes now, TSizeModes last)
{
    if (now.autoSize != last.autoSize) {
        if (!now.autoSize && !now.stretch)
            now.stretch = last.stretch = true;
        else if (now.autoSize && now.stretch)
            now.stretch = last.stretch = false;
    }
    if (now.stretch != last.stretch) {
        if (now.stretch && now.autoSize)
            now.autoSize = false;
        else if (!now.stretch && !now.autoSize)
            now.autoSize = true;
    }
    if (now.autoSize && now.stretch)
        now.stretch = false;
    else if (!now.autoSize && !now.stretch)
        now.autoSize = true;
    return now;
}

QWidget *TBMShapedForm::CheckedForm(QWidget *form)
{
    if (form == nullptr)
        return nullptr;
    if (!form->isWindow())
        throw std::logic_error("Please Drop on a Form");
    if (form->findChild<TBMShapedForm *>(QString(), Qt::FindDirectChildrenOnly) != nullptr)
        throw std::logic_error("Please Drop only one TBMShapedForm per Form");
    return form;
}

TBMShapedForm::TBMShapedForm(QWidget *form) : QWidget(CheckedForm(form))
{
    if (form != nullptr) {
        // A shaped window has no usable caption: the picture is the whole window.
        form->setWindowFlag(Qt::FramelessWindowHint, true);
        form->setAttribute(Qt::WA_TranslucentBackground, true);
        form->installEventFilter(this);
        setGeometry(form->rect());
    }
    lower();  // every other control of the form lies on top of the skin
    setMouseTracking(true);  // the host hears moves over the picture without a button held, too
}

void TBMShapedForm::SetPicture(const QImage &picture)
{
    FPicture = picture.convertToFormat(QImage::Format_RGB32);
    FShownPicture = TranslucentSkin(FPicture);
    PictureUpdate();
}

void TBMShapedForm::SetAutoSize(bool on)
{
    FAutoSize = on;
    PictureUpdate();
}

void TBMShapedForm::SetStretch(bool on)
{
    FStretch = on;
    update();
}

void TBMShapedForm::PictureUpdate()
{
    QWidget *form = parentWidget();
    FRegion = QRegion();
    if (FAutoSize && !FPicture.isNull()) {
        if (form != nullptr) {
            form->resize(FPicture.size());
            setGeometry(form->rect());  // a hidden form reports its resize only when shown
        }
        FRegionSize = FPicture.size();
    } else {
        FRegionSize = size();
    }
    FLastSize = QSize();
    ObtainRegion();
    RefreshForm();
    update();
}

void TBMShapedForm::ObtainRegion()
{
    if (parentWidget() == nullptr || FPicture.isNull() || FRegionSize.isEmpty())
        return;
    if (!FRegion.isEmpty() && FRegionSize == FLastSize)
        return;
    FLastSize = FRegionSize;
    const QImage scaled = FPicture.size() == FRegionSize
                              ? FPicture
                              : FPicture.scaled(FRegionSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // The mask is given in form coordinates; the picture lies at this control's position.
    FRegion = BuildSkinRegion(scaled).translated(pos());
}

void TBMShapedForm::RefreshForm()
{
    if (parentWidget() != nullptr && !FRegion.isEmpty())
        parentWidget()->setMask(FRegion);
}

bool TBMShapedForm::eventFilter(QObject *watched, QEvent *event)
{
    // Aligned to the whole client area: follow the form's size.
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        FRegionSize = FAutoSize && !FPicture.isNull() ? FPicture.size() : size();
        ObtainRegion();
        RefreshForm();
    }
    return QWidget::eventFilter(watched, event);
}

void TBMShapedForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // New bounds of a stretched picture give a new outline; an auto-sized one keeps its own size.
    if (!FAutoSize) {
        FRegionSize = size();
        ObtainRegion();
        RefreshForm();
    }
}

void TBMShapedForm::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event);
    FDragging = true;
    FDragGlobal = event->globalPosition().toPoint();
    FDragFormStart = parentWidget() != nullptr ? parentWidget()->pos() : QPoint();
}

void TBMShapedForm::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event);
    // Only a move with the left button alone and no modifier drags; a press of any button arms it.
    const bool leftAlone = event->buttons() == Qt::LeftButton && event->modifiers() == Qt::NoModifier;
    if (!FMoveable || !FDragging || !leftAlone || parentWidget() == nullptr)
        return;
    DragTo(event->globalPosition().toPoint());
}

void TBMShapedForm::DragTo(QPoint global)
{
    QWindow *window = parentWidget()->windowHandle();
    if (window != nullptr && window->startSystemMove()) {
        // The window system follows the pointer from here on, until the button is released.
        FDragging = false;
        return;
    }
    // Screen coordinates: the form moves under the pointer, so local positions would lag behind.
    parentWidget()->move(FDragFormStart + global - FDragGlobal);
}

void TBMShapedForm::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseReleased(event);
    FDragging = false;
}

void TBMShapedForm::paintEvent(QPaintEvent *)
{
    if (FPicture.isNull())
        return;
    const TSizeModes settled = ReconcileSizeModes({FAutoSize, FStretch}, {FLastAutoSize, FLastStretch});
    if (settled.autoSize != FAutoSize)  // the form takes the picture's size, after this paint
        QMetaObject::invokeMethod(this, &TBMShapedForm::PictureUpdate, Qt::QueuedConnection);
    FAutoSize = settled.autoSize;
    FStretch = settled.stretch;
    FLastAutoSize = FAutoSize;
    FLastStretch = FStretch;
    QPainter painter(this);
    if (FStretch)
        painter.drawImage(rect(), FShownPicture);
    else
        painter.drawImage(0, 0, FShownPicture);
}
