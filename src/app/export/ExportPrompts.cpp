#include "app/export/ExportPrompts.h"

#include <QStatusBar>

#include <sys/stat.h>

#include "app/frame/CMainFrame.h"

namespace kivelo::app::prompt {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::optional<QString> AskSaveName(CMainFrame& frame, std::string_view filter, std::string_view suffix) {
    FileDialogRequest request;
    request.save = true;
    request.filter = Q(filter);
    request.defaultSuffix = Q(suffix);
    return frame.Ui().FileName(&frame, request);
}

std::optional<QString> AskOpenName(CMainFrame& frame, const QString& title, std::string_view filter,
                                   std::string_view suffix) {
    FileDialogRequest request;
    request.title = title;
    request.filter = Q(filter);
    request.defaultSuffix = Q(suffix);
    request.mustExist = true;
    return frame.Ui().FileName(&frame, request);
}

bool MayWrite(CMainFrame& frame, const QString& path) {
    // Anything under the name counts, also a file this user can't read: it
    // would be replaced just the same.
    struct stat st {};
    if (::lstat(path.toLocal8Bit().constData(), &st) != 0) return true;
    const QString text = Q(kFileExists) + QLatin1Char('\n') + Q(kOverwrite);
    return frame.Ui().Message(&frame, text, Q(kErrorCaption), MsgIcon::Question, MsgButtons::OkCancel) == MsgAnswer::Ok;
}

void ShowError(CMainFrame& frame, const QString& text) {
    frame.Ui().Message(&frame, text, Q(kErrorCaption), MsgIcon::Exclamation);
}

void ShowStatus(CMainFrame& frame, const QString& text) { frame.statusBar()->showMessage(text, 5000); }

}  // namespace kivelo::app::prompt
