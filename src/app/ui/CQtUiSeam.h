#pragma once
// The program's CUiSeam: QMessageBox and QFileDialog.
#include <QString>

#include "app/ui/CUiSeam.h"

namespace kivelo::app {

// Converts a filter in the program's "Text (*.x)|*.x|Other (*.y;*.z)|*.y;*.z||"
// form into Qt's "Text (*.x);;Other (*.y *.z)". Each name/pattern pair becomes
// one Qt filter; the name is kept as shown, and when it does not already end in
// the pair's patterns in parentheses they are appended, since Qt filters by the
// parenthesised part. A pair without a pattern matches everything ("*").
// Empty and "|"-only texts give an empty string (no filter).
QString QtFileFilter(const QString& programFilter);

// path with "." + suffix appended when its file name has no suffix of its own
// (and suffix is not empty); the suffix is lower-cased: the program spells its
// default extensions "WVF" or "RTM", and its readers choose by the lower-case
// extension (either is accepted).
QString WithDefaultSuffix(const QString& path, const QString& suffix);

class CQtUiSeam final : public CUiSeam {
public:
    // An empty caption gives the box the application's display name as title,
    // as the platform does for a box without a title of its own.
    MsgAnswer Message(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok) override;
    // Open dialogs with mustExist accept existing files only. Save dialogs never
    // ask Qt's own overwrite question: the program asks "File already exists." itself.
    std::optional<QString> FileName(QWidget* parent, const FileDialogRequest& request) override;
};

}  // namespace kivelo::app
