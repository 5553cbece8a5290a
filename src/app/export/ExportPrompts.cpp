#include "app/export/ExportPrompts.h"

#include <QMainWindow>
#include <QStatusBar>

#include <sys/stat.h>

#include "app/frame/CCommandHost.h"
#include "app/ui/CUiSeam.h"

namespace kivelo::app::prompt {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::optional<QString> AskSaveName(CCommandHost& frame, std::string_view filter, std::string_view suffix) {
    FileDialogRequest request;
    request.save = true;
    request.filter = Q(filter);
    request.defaultSuffix = Q(suffix);
    return frame.Ui().FileName(&frame.Widget(), request);
}

std::optional<QString> AskOpenName(CCommandHost& frame, const QString& title, std::string_view filter,
                                   std::string_view suffix) {
    FileDialogRequest request;
    request.title = title;
    request.filter = Q(filter);
    request.defaultSuffix = Q(suffix);
    request.mustExist = true;
    return frame.Ui().FileName(&frame.Widget(), request);
}

bool MayWrite(CCommandHost& frame, const QString& path) {
    // Anything under the name counts, also a file this user can't read: it
    // would be replaced just the same.
    struct stat st {};
    if (::lstat(path.toLocal8Bit().constData(), &st) != 0) return true;
    const QString text = Q(kFileExists) + QLatin1Char('\n') + Q(kOverwrite);
    return frame.Ui().Message(&frame.Widget(), text, Q(kErrorCaption), MsgIcon::Question, MsgButtons::OkCancel) ==
           MsgAnswer::Ok;
}

void ShowError(CCommandHost& frame, const QString& text) {
    frame.Ui().Message(&frame.Widget(), text, Q(kErrorCaption), MsgIcon::Exclamation);
}

void ShowStatus(CCommandHost& frame, const QString& text) { frame.Widget().statusBar()->showMessage(text, 5000); }

}  // namespace kivelo::app::prompt
