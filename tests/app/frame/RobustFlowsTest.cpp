// The program with hostile input: a FIFO opened, a data file shorter than its
// header, work that hangs and is cancelled, and a damaged settings file.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "ProgramFixture.h"
#include "WvfWriter.h"
#include "app/core/CommandTable.h"
#include "app/core/SettingsRecord.h"
#include "app/export/CPrintFormatDialog.h"
#include "app/frame/CKiveloApp.h"
#include "app/frame/CMainFrame.h"
#include "app/ui/CBusyWindow.h"

using namespace kivelo;
using namespace kivelo::app;
using namespace kivelo::app::test;

namespace {

// A record of `traces` 2-byte traces of `samples` samples in one block.
std::string Generate(const QString& dir, const QString& name, int traces, int samples) {
    const std::string path = QDir(dir).filePath(name).toStdString();
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(traces, "IS2", wavegen::Signal::Sine, 1000);
    desc.samples = samples;
    if (!wavegen::WriteWvf(path, desc).ok) qFatal("cannot write test data %s", path.c_str());
    return path;
}

}  // namespace

class RobustFlowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { p_.Start(QString(), QSize(1100, 800)); }
    void cleanup() { p_.Stop(); }

    void fifoFailsAtOnceNamingItsCause() {
        const std::string path = Generate(p_.dir.path(), "pipe.wvf", 2, 1000);
        std::filesystem::remove(path);
        QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!p_.app->Frame().OpenPath(QString::fromStdString(path)));
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(p_.ui.Messages().size(), size_t(1));
        QCOMPARE(p_.ui.Messages()[0].caption, QStringLiteral("ERROR"));
        QCOMPARE(p_.ui.Messages()[0].text, QStringLiteral("Cannot oepn this file. \n\n  Check *.hdr \n") +
                                               QString::fromStdString(path) +
                                               QStringLiteral(": not a regular file (a named pipe)"));
    }

    void shortDataOpensWithAWarningAndIsNeverExported() {
        CMainFrame& f = p_.app->Frame();
        const std::string path = Generate(p_.dir.path(), "short.wvf", 4, 4000);
        // W1, W2 whole, 500 samples of W3, nothing of W4.
        std::filesystem::resize_file(path, 2 * 4000 * 2 + 1000);
        QVERIFY(f.OpenPath(QString::fromStdString(path)));
        QCOMPARE(p_.ui.Messages().size(), size_t(1));
        QCOMPARE(p_.ui.Messages()[0].caption, QStringLiteral("WARNING"));
        const QString warning = p_.ui.Messages()[0].text;
        QVERIFY2(warning.contains(QStringLiteral("W3 has 500 of 4000 samples in block 0")), qPrintable(warning));
        QVERIFY2(warning.contains(QStringLiteral("W4 has nothing in block 0")), qPrintable(warning));
        const auto* info = f.findChild<QLabel*>(QStringLiteral("documentInfo"));
        QVERIFY(info);
        QVERIFY2(info->text().endsWith(QStringLiteral("WARNING: data missing in W3 W4")), qPrintable(info->text()));

        const QString csv = p_.File("short.csv");
        p_.ui.QueueFileName(csv);
        QVERIFY(f.RunCommand(cmd::kCsvAll));
        QCOMPARE(p_.ui.Messages().size(), size_t(2));
        const QString refused = p_.ui.Messages()[1].text;
        QVERIFY2(refused.startsWith(QStringLiteral("The CSV file was not written.\n")), qPrintable(refused));
        QVERIFY2(refused.contains(QStringLiteral("W3 has only 500 of its 4000 samples of block 0")),
                 qPrintable(refused));
        QVERIFY(!QFile::exists(csv));
    }

    void workThatDoesNotStopIsLeftAndTheWindowGoesOn() {
        CMainFrame& f = p_.app->Frame();
        std::atomic<bool> release{false};
        QElapsedTimer clock;
        qint64 cancelledAt = -1, abandonedAt = -1;
        bool busyShownAfter = true, nestedRefused = false;
        QTimer::singleShot(100, &f, [&] {
            cancelledAt = clock.elapsed();
            f.Busy().findChild<QPushButton*>(QStringLiteral("busyCancel"))->click();
        });
        const auto abandoned = connect(&f.Busy(), &CBusyWindow::workAbandoned, &f, [&] {
            abandonedAt = clock.elapsed();
            busyShownAfter = f.Busy().isVisible();
            // Other long work waits for the lost worker rather than nesting inside it.
            nestedRefused = !f.RunBusy(
                QStringLiteral("Converting ..."), [] {}, nullptr, [] {});
            QTimer::singleShot(200, &f, [&] { release = true; });
        });
        clock.start();
        const bool finished = f.RunBusy(
            QStringLiteral("Loading ..."),
            [&] {
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            },
            nullptr, [] { /* a read hung in the file system hears nothing */ });
        disconnect(abandoned);
        QVERIFY(!finished);
        QVERIFY(cancelledAt >= 0 && abandonedAt >= 0);
        QVERIFY2(abandonedAt - cancelledAt < 1500, qPrintable(QString::number(abandonedAt - cancelledAt)));
        QVERIFY(!busyShownAfter);
        QVERIFY(nestedRefused);
        // Afterwards everything works again.
        QVERIFY(f.RunBusy(
            QStringLiteral("Loading ..."), [] {}, nullptr, [] {}));
    }

    // Damaged settings files (whole, short, long): the notice arrives at start,
    // every window comes up, a record opens and the exit writes a whole record.
    // What is kept aside and that an older copy stays is the settings store's.
    void damagedSettingsStartWithEveryWindowAndANotice() {
        std::mt19937 rng(23);
        QByteArray garbage(int(SettingsRecord::kSize), '\0');
        for (char& c : garbage) c = char(rng());
        const std::string wvf = Generate(p_.dir.path(), "three.wvf", 3, 4000);
        for (const QByteArray& bytes : {garbage, QByteArray(100, '\x7f'), QByteArray(20000, '\xa5')}) {
            const QString stp = p_.File(QStringLiteral("damaged%1/kivelo.stp").arg(bytes.size()));
            QDir().mkpath(QFileInfo(stp).path());
            QVERIFY(WriteAll(stp, bytes));
            CKiveloApp app(p_.ui, stp.toStdString());
            app.LoadSettings();
            const QString notice = app.Frame().statusBar()->currentMessage();
            QVERIFY2(notice.contains(QStringLiteral("kept as ") + stp + QStringLiteral(".damaged")),
                     qPrintable(notice));
            QCOMPARE(ReadAll(stp + QStringLiteral(".damaged")), bytes);
            app.Frame().show();
            QVERIFY(app.Frame().OpenPath(QString::fromStdString(wvf)));
            const DisplayModel& m = app.Model();
            QVERIFY(m.shares.main > 0.0 && m.shares.main < 1.0);
            if (bytes.size() <= qsizetype(SettingsRecord::kSize))
                QVERIFY(m.shown[0] && m.shown[1] && m.shown[2] && m.shown[3]);
            QVERIFY(app.SaveSettings());
            QCOMPARE(ReadAll(stp).size(), qsizetype(SettingsRecord::kSize));
        }
    }

    void longListEntriesKeepThePrintFormatDialogOnTheScreen() {
        const QString stp = p_.File("long/kivelo.stp");
        QDir().mkpath(p_.File("long"));
        SettingsRecord record;
        std::vector<std::string> entries(16, std::string(255, 'W'));
        record.StoreList(SettingsList::Header, entries);
        record.StoreList(SettingsList::Footer, entries);
        record.SetMainShown(1);
        QVERIFY(
            WriteAll(stp, QByteArray(reinterpret_cast<const char*>(record.Raw().data()), int(record.Raw().size()))));
        CKiveloApp app(p_.ui, stp.toStdString());
        app.LoadSettings();
        auto* dialog = app.Frame().findChild<CPrintFormatDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("id1062"))->count(), 16);
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QVERIFY2(dialog->sizeHint().width() <= screen.width(), qPrintable(QString::number(dialog->sizeHint().width())));
        dialog->adjustSize();
        QVERIFY(dialog->width() <= screen.width() && dialog->height() <= screen.height());
    }

private:
    ProgramFixture p_;
};

QTEST_MAIN(RobustFlowsTest)
#include "RobustFlowsTest.moc"
