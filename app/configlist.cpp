// The `Configs` list over the plot and the name prompt of "Save Settings to...".
#include "configlist.h"

#include "configstore.h"

#include <QInputDialog>
#include <QKeyEvent>
#include <QMouseEvent>

namespace zelvaro {

namespace {

const QRect kConfigsGeometry(112, 56, 107, 209);  // over the plot, below the options button
constexpr int kConfigsItemHeight = 16;
constexpr int kConfigsFontPixels = 13;

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
    hide();
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

std::optional<QString> AcceptConfigName(const QString &text, bool confirmed,
                                        const std::function<void(const QString &)> &warn)
{
    if (!confirmed || text.isEmpty())
        return std::nullopt;
    if (const std::optional<QString> problem = ConfigNameProblem(text)) {
        if (warn)
            warn(*problem);
        return std::nullopt;
    }
    return text;
}

std::optional<QString> PromptConfigName(QWidget *parent, const std::function<void(const QString &)> &warn)
{
    bool confirmed = false;
    const QString text = QInputDialog::getText(parent, QStringLiteral("Save Settings as..."),
                                               QStringLiteral("Please enter the name for the settings to be saved"),
                                               QLineEdit::Normal, QString(), &confirmed);
    return AcceptConfigName(text, confirmed, warn);
}

}  // namespace zelvaro
