#pragma once
// The one way the program asks the user something: message boxes and file
// dialogs. The program uses CQtUiSeam; tests install a scripted seam that
// answers without a person and records what was asked.
#include <QString>
#include <optional>

class QWidget;

namespace kivelo::app {

enum class MsgIcon { None, Exclamation, Information, Question };
enum class MsgButtons { Ok, OkCancel };
enum class MsgAnswer { Ok, Cancel };

struct FileDialogRequest {
    bool save = false;      // save dialog (else open)
    QString title;          // empty: the platform's default title
    QString filter;         // in the program's "Name (*.x)|*.x|...||" form
    QString defaultSuffix;  // appended when the typed name has none, e.g. "WVF"
    QString initialName;
    bool mustExist = false;
};

class CUiSeam {
public:
    virtual ~CUiSeam() = default;
    // Modal message box; an empty caption means the box has no title of its own.
    virtual MsgAnswer Message(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon,
                              MsgButtons buttons = MsgButtons::Ok) = 0;
    // Full path chosen, or nothing when cancelled.
    virtual std::optional<QString> FileName(QWidget* parent, const FileDialogRequest& request) = 0;
};

}  // namespace kivelo::app
