#pragma once
// The program as the shell's Qt tests start it (a fresh settings file, shown,
// a scripted seam), and the file helpers they share.
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "CScriptedUi.h"
#include "app/frame/CKiveloApp.h"
#include "app/frame/CMainFrame.h"

namespace kivelo::app::test {

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Names in a folder, hidden ones (the staged outputs) included.
inline QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The program on a fresh settings file, shown, with a scripted seam.
struct ProgramFixture {
    QTemporaryDir dir;
    CScriptedUi ui;
    std::unique_ptr<CKiveloApp> app;

    QString File(const QString& name) const { return QDir(dir.path()).filePath(name); }
    CMainFrame& Frame() { return app->Frame(); }

    void Start(const QString& settings = QString(), QSize size = QSize(1000, 760)) {
        QStandardPaths::setTestModeEnabled(true);
        ui.Clear();
        app = std::make_unique<CKiveloApp>(ui, (settings.isEmpty() ? File("kivelo.stp") : settings).toStdString());
        app->Frame().resize(size);
        app->Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&app->Frame()));
    }
    void Stop() { app.reset(); }
};

}  // namespace kivelo::app::test
