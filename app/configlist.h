// The options-menu side of the configuration store: the `Configs` list.
#pragma once

#include <QListWidget>

class QLabel;
#include <QString>

#include <functional>
#include <optional>

namespace zelvaro {

// `Configs`: the list of stored configurations that "Load Settings from..." shows over the plot.
// It stays hidden until ShowConfigs; Escape, Enter or a mouse release closes it again.
class TConfigListPopup : public QListWidget {
    Q_OBJECT

    QLabel *FTitle;  // "Load settings" over the names, inside the list's frame

public:
    explicit TConfigListPopup(QWidget *parent = nullptr);

    // Fills the list in the given order, shows it with no item selected and gives it the focus.
    void ShowConfigs(const QStringList &names);

    // Hides the list; unless button is the right one, a selected, non-empty item is announced
    // through ConfigChosen. Enter runs it as a left-button release.
    void ConfigsMouseUp(Qt::MouseButton button);

signals:
    // The host stops a running analyser, loads the name, runs ApplySettings and restarts it.
    void ConfigChosen(const QString &name);
    // The list has closed, after any ConfigChosen: the host repaints the plot where it was.
    void Closed();
    // Delete was pressed on a selected item: the host asks, deletes it and shows the list again.
    void DeleteRequested(const QString &name);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;  // ConfigsKeyPress
    void mouseReleaseEvent(QMouseEvent *event) override;
};

}  // namespace zelvaro
