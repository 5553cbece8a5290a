#include "app/ui/CQtUiSeam.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>

namespace kivelo::app {

namespace {

// "*.y;*.z" or "*.y *.z" -> {"*.y", "*.z"}
QStringList SplitPatterns(const QString& patterns) {
    QString spaced = patterns;
    spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
    return spaced.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The patterns of a trailing "(...)" of name, or nothing.
QStringList ParenthesisedPatterns(const QString& name) {
    const QString trimmed = name.trimmed();
    if (!trimmed.endsWith(QLatin1Char(')'))) return {};
    const qsizetype open = trimmed.lastIndexOf(QLatin1Char('('));
    if (open < 0) return {};
    return SplitPatterns(trimmed.mid(open + 1, trimmed.size() - open - 2));
}

bool SamePatterns(QStringList a, QStringList b) {
    for (QString& s : a) s = s.toLower();
    for (QString& s : b) s = s.toLower();
    a.sort();
    b.sort();
    return a == b;
}

}  // namespace

QString QtFileFilter(const QString& programFilter) {
    const QStringList parts = programFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        const QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (name.isEmpty() && pattern.isEmpty()) break;  // the closing "||"
        QStringList patterns = SplitPatterns(pattern);
        if (patterns.isEmpty()) patterns = {QStringLiteral("*")};
        const QString joined = patterns.join(QLatin1Char(' '));
        if (name.isEmpty()) filters << joined;
        else if (SamePatterns(ParenthesisedPatterns(name), patterns)) filters << name;
        else filters << name + QStringLiteral(" (") + joined + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString WithDefaultSuffix(const QString& path, const QString& suffix) {
    if (path.isEmpty() || suffix.isEmpty()) return path;
    const QString fileName = QFileInfo(path).fileName();
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('.'))) return path;
    QString s = suffix.toLower();
    while (s.startsWith(QLatin1Char('.'))) s.remove(0, 1);
    return s.isEmpty() ? path : path + QLatin1Char('.') + s;
}

MsgAnswer CQtUiSeam::Message(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon,
                             MsgButtons buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return answer == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

std::optional<QString> CQtUiSeam::FileName(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    if (!request.title.isEmpty()) dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!request.save && request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The program asks its own "File already exists." question.
    if (request.save) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QString filter = QtFileFilter(request.filter);
    if (!filter.isEmpty()) dialog.setNameFilter(filter);
    QString suffix = request.defaultSuffix.toLower();
    while (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
    if (!request.initialName.isEmpty()) dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    // Qt's own dialog has added the suffix already; this covers a native dialog
    // that does not, without turning a chosen existing file into a missing one.
    const QString& chosen = files.front();
    if (!request.save && QFileInfo::exists(chosen)) return chosen;
    return WithDefaultSuffix(chosen, suffix);
}

}  // namespace kivelo::app
