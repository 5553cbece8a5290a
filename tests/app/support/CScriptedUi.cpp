#include "CScriptedUi.h"

#include <QStringList>

namespace kivelo::app {

MsgAnswer CScriptedUi::Message(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon,
                               MsgButtons buttons) {
    messages_.push_back(MessageCall{parent, text, caption, icon, buttons});
    if (answers_.empty()) return MsgAnswer::Ok;
    const MsgAnswer answer = answers_.front();
    answers_.pop_front();
    // A box with OK alone can only be answered OK.
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : answer;
}

std::optional<QString> CScriptedUi::FileName(QWidget* parent, const FileDialogRequest& request) {
    files_.push_back(FileCall{parent, request});
    if (fileNames_.empty()) return std::nullopt;
    const std::optional<QString> path = fileNames_.front();
    fileNames_.pop_front();
    return path;
}

QStringList CScriptedUi::MessageTexts() const {
    QStringList texts;
    for (const MessageCall& m : messages_) texts << m.text;
    return texts;
}

void CScriptedUi::Clear() {
    answers_.clear();
    fileNames_.clear();
    messages_.clear();
    files_.clear();
}

}  // namespace kivelo::app
