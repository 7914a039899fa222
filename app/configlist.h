// The options-menu side of the configuration store: the `Configs` list and the save-name prompt.
#pragma once

#include <QListWidget>
#include <QString>

#include <functional>
#include <optional>

namespace zelvaro {

// `Configs`: the list of stored configurations that "Load Settings from..." shows over the plot.
// It stays hidden until ShowConfigs; Escape, Enter or a mouse release closes it again.
class TConfigListPopup : public QListWidget {
    Q_OBJECT

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

protected:
    void keyPressEvent(QKeyEvent *event) override;  // ConfigsKeyPress
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// "Save Settings to...": asks for a name. Gives the name to save under, or nothing when the user
// cancelled or left it empty; a name that is too long is refused with a message through warn.
std::optional<QString> PromptConfigName(QWidget *parent, const std::function<void(const QString &)> &warn);

// The checks of PromptConfigName on an answer, for callers with their own prompt.
std::optional<QString> AcceptConfigName(const QString &text, bool confirmed,
                                        const std::function<void(const QString &)> &warn);

}  // namespace zelvaro
