// The `Configs` list over the plot: choose a configuration to load, or delete one.
#include "configlist.h"

#include "configstore.h"

#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>

namespace zelvaro {

namespace {

const QRect kConfigsGeometry(112, 56, 107, 209);  // over the plot, below the options button
constexpr int kConfigsItemHeight = 16;
constexpr int kConfigsFontPixels = 13;
constexpr int kTitleHeight = 18;

}  // namespace

TConfigListPopup::TConfigListPopup(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("Configs"));
    setGeometry(kConfigsGeometry);
    QFont listFont(QStringLiteral("MS Sans Serif"));
    listFont.setPixelSize(kConfigsFontPixels);
    listFont.setBold(true);
    setFont(listFont);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    FTitle = new QLabel(QStringLiteral("Load settings"), this);
    FTitle->setObjectName(QStringLiteral("ConfigsTitle"));
    FTitle->setAlignment(Qt::AlignCenter);
    FTitle->setStyleSheet(QStringLiteral("background: #355771; color: #ffffff; font-weight: bold;"));
    setViewportMargins(0, kTitleHeight, 0, 0);
    setToolTip(QStringLiteral("Click a configuration or press Enter to load it; Delete removes it; Escape closes"));
    hide();
}

void TConfigListPopup::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    const QRect inside = contentsRect();
    FTitle->setGeometry(inside.left(), inside.top(), inside.width(), kTitleHeight);
}

void TConfigListPopup::ShowConfigs(const QStringList &names)
{
    clear();
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(name, this);
        item->setSizeHint(QSize(0, kConfigsItemHeight));
    }
    clearSelection();
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

void TConfigListPopup::ConfigsMouseUp(Qt::MouseButton button)
{
    hide();
    const QList<QListWidgetItem *> selected = selectedItems();
    const QString text = selected.isEmpty() ? QString() : selected.first()->text();
    if (button != Qt::RightButton && !text.isEmpty())
        emit ConfigChosen(text);
    emit Closed();
}

void TConfigListPopup::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        hide();
        emit Closed();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ConfigsMouseUp(Qt::LeftButton);
        return;
    case Qt::Key_Delete:
        if (const QList<QListWidgetItem *> selected = selectedItems(); !selected.isEmpty())
            emit DeleteRequested(selected.first()->text());
        return;
    default:
        break;
    }
    // Character keys are dropped, so typing does not jump around the list; movement keys still work.
    if (!event->text().isEmpty() && event->text().at(0).isPrint())
        return;
    QListWidget::keyPressEvent(event);
}

void TConfigListPopup::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    ConfigsMouseUp(event->button());
}

}  // namespace zelvaro
