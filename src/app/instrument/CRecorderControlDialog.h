#pragma once
// "Setup QV818": operates a connected QV818/QV826 recorder. Each button sends
// one command line; the four editable lists keep the 16 most recent file
// names and comments. Modeless; lives as long as the frame.
#include <QDialog>
#include <QPoint>

#include <array>
#include <functional>
#include <string>

#include "instrument/download/RemoteControl.h"

class QComboBox;
class QPushButton;

namespace kivelo::app {

class CRecorderControlDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CRecorderControlDialog(QWidget* parent);

    const RemoteLists& Lists() const { return lists_; }
    // Replaces the four lists (from the settings record) and shows them.
    void SetLists(const RemoteLists& lists);

    void ShowAt(QPoint topLeft);

    // Sends one command line; set by the owner.
    std::function<void(const std::string& line)> sendLine;
    // After the lists were updated (a text button, Enter, CLOSE).
    std::function<void()> listsChanged;
    // After CLOSE hid the dialog.
    std::function<void()> closed;

    // The OK action (Enter): updates the lists, the dialog stays open.
    void accept() override;
    // CLOSE, Escape, the title bar: updates the lists and hides the dialog.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateHistories();
    void ShowLists();
    void OnAction(RemoteAction action);
    QPushButton* AddButton(const QString& text, int id, const QString& description, RemoteAction action);

    RemoteLists lists_;
    // The lists 1066, 1069, 1071, 1070 in the order their texts are taken.
    std::array<QComboBox*, 4> combos_{};
};

}  // namespace kivelo::app
