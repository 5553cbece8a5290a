#pragma once
// A CUiSeam for tests: answers from scripted queues instead of asking a person,
// and records every message box and file dialog it was asked for.
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "app/ui/CUiSeam.h"

namespace kivelo::app {

class CScriptedUi final : public CUiSeam {
public:
    struct MessageCall {
        QWidget* parent = nullptr;
        QString text;
        QString caption;
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
    };
    struct FileCall {
        QWidget* parent = nullptr;
        FileDialogRequest request;
    };

    // Answers to the next message boxes, in order; once used up every box is
    // answered Ok. A box with the OK button alone takes its answer from the
    // queue but can only give Ok, like a real one.
    void QueueAnswer(MsgAnswer answer) { answers_.push_back(answer); }
    // Answers to the next file dialogs; nothing means Cancel, as does an empty queue.
    void QueueFileName(std::optional<QString> path) { fileNames_.push_back(std::move(path)); }

    MsgAnswer Message(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok) override;
    std::optional<QString> FileName(QWidget* parent, const FileDialogRequest& request) override;

    const std::vector<MessageCall>& Messages() const { return messages_; }
    const std::vector<FileCall>& FileRequests() const { return files_; }
    // Texts of the messages so far, in order.
    QStringList MessageTexts() const;
    // Scripted answers not used yet.
    size_t PendingAnswers() const { return answers_.size(); }
    size_t PendingFileNames() const { return fileNames_.size(); }
    // Forgets the record and the queues.
    void Clear();

private:
    std::deque<MsgAnswer> answers_;
    std::deque<std::optional<QString>> fileNames_;
    std::vector<MessageCall> messages_;
    std::vector<FileCall> files_;
};

}  // namespace kivelo::app
