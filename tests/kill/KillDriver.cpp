// The program's output commands for the kill test, one per run, offscreen:
//   kivelo-kill-driver csv|convert|image FILE OUT
// opens FILE, answers the save dialog with OUT (and OK to the question whether
// to replace it), runs the command and ends. Exit 0 when the command ran
// without a message.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "CScriptedUi.h"
#include "app/core/CommandTable.h"
#include "app/frame/CKiveloApp.h"
#include "app/frame/CMainFrame.h"

using namespace kivelo::app;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: kivelo-kill-driver csv|convert|image FILE OUT\n", stderr);
        return 2;
    }
    const char* what = argv[1];
    int command = 0;
    if (std::strcmp(what, "csv") == 0) command = cmd::kCsvAll;
    else if (std::strcmp(what, "convert") == 0) command = cmd::kConvertWvfAll;
    else if (std::strcmp(what, "image") == 0) command = cmd::kBmpMain;
    else return 2;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QString file = QString::fromLocal8Bit(argv[2]);
    const QString out = QString::fromLocal8Bit(argv[3]);
    // A killed run cannot remove a temporary folder: the harness names the settings file.
    const QByteArray named = qgetenv("KIVELO_SETTINGS");
    std::optional<QTemporaryDir> scratch;
    std::string settings = named.toStdString();
    if (settings.empty())
        settings = QDir(scratch.emplace().path()).filePath(QStringLiteral("kivelo.stp")).toStdString();
    CScriptedUi ui;
    CKiveloApp kivelo(ui, settings);
    CMainFrame& frame = kivelo.Frame();
    frame.resize(900, 700);
    frame.show();
    if (!frame.OpenPath(file)) return 3;
    if (command == cmd::kConvertWvfAll) ui.QueueFileName(file);
    ui.QueueFileName(out);
    ui.QueueAnswer(MsgAnswer::Ok);
    if (!frame.RunCommand(command)) return 4;
    // The question whether to replace OUT is expected; anything else is a failure.
    int result = 0;
    for (const CScriptedUi::MessageCall& message : ui.Messages()) {
        if (message.icon == MsgIcon::Question) continue;
        std::fprintf(stderr, "message: %s\n", qPrintable(message.text));
        result = 1;
    }
    return result;
}
