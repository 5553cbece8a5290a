// The main frame driven as a user would: commands, the open flow, drops,
// redraw coalescing, window layout and the settings record at start and exit.
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "ProgramFixture.h"
#include "WidgetChecks.h"
#include "WvfWriter.h"
#include "app/core/SettingsRecord.h"
#include "app/core/SettingsStore.h"
#include "app/frame/CKiveloApp.h"
#include "app/frame/CMainFrame.h"
#include "app/ui/CBusyWindow.h"
#include "app/windows/CWindowArea.h"

using namespace kivelo;
using namespace kivelo::app;
using kivelo::app::test::ReadAll;

namespace {

std::string Generate(const QString& dir, const QString& name, int traces, int samples = 4000, int blocks = 2) {
    wavegen::WvfDesc desc;
    desc.traces = wavegen::MakeTraces(traces, "IS2", wavegen::Signal::Sine, 1000);
    desc.samples = samples;
    desc.blocks = blocks;
    const std::string path = QDir(dir).filePath(name).toStdString();
    if (!wavegen::WriteWvf(path, desc).ok) qFatal("cannot write test data %s", path.c_str());
    return path;
}

void Drop(QWidget& target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir_.isValid());
        threeTraces_ = Generate(dir_.path(), "three.wvf", 3);
        qputenv("KIVELO_SETTINGS", QDir(dir_.path()).filePath("kivelo.stp").toLocal8Bit());
    }

    void init() {
        ui_.Clear();
        app_ = std::make_unique<CKiveloApp>(ui_, QDir(dir_.path()).filePath("kivelo.stp").toStdString());
        app_->Frame().resize(1100, 800);
        app_->Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&app_->Frame()));
    }
    void cleanup() { app_.reset(); }

    void commandsExistOnlyWithTheirWorkAndFollowTheDocument() {
        CMainFrame& f = app_->Frame();
        for (int id : {cmd::kOpen, cmd::kClose, cmd::kExit, cmd::kAbout})
            QVERIFY2(f.Action(id), qPrintable(QString::number(id)));
        QCOMPARE(f.Action(cmd::kOpen)->text(), QStringLiteral("Open(&O)..."));
        QCOMPARE(f.Action(cmd::kOpen)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(f.Action(cmd::kOpen)->statusTip(), QStringLiteral("Open ORVANTIS \"*.wvf\" file or \"*.rtm\" file"));
        QCOMPARE(f.Action(cmd::kClose)->statusTip(), QStringLiteral("Close file "));
        // Nothing in the menus that would do nothing; the save key has no command.
        QVERIFY(!f.Action(cmd::kSaveThisCsv));
        QVERIFY(!f.Action(cmd::kSaveThisWvf));
        for (QAction* a : f.findChildren<QAction*>()) QVERIFY(a->shortcut() != QKeySequence::Save);

        struct Row {
            int id;
            CommandState state;
            bool enabled;
        };
        const CommandState none{};
        const CommandState open{true, false, true, true, true, true};
        const CommandState realtime{true, true, true, true, true, true};
        const CommandState zoomHidden{true, false, true, false, true, true};
        const Row rows[] = {
            // clang-format off
            {cmd::kOpen, none, true},          {cmd::kClose, none, true},         {cmd::kCsvAll, none, false},
            {cmd::kCsvAll, open, true},        {cmd::kCsvZoom, zoomHidden, false}, {cmd::kSaveWvfAll, open, false},
            {cmd::kSaveWvf100, realtime, true}, {cmd::kBmpAll, none, false},       {cmd::kBmpXy, open, true},
            {cmd::kSaveThisCsv, open, true},   {cmd::kSaveThisWvf, realtime, false}, {cmd::kConvertCsv, none, true},
            // clang-format on
        };
        for (const Row& r : rows) QVERIFY2(IsEnabled(r.id, r.state) == r.enabled, qPrintable(QString::number(r.id)));
    }

    void openShowsTheTracesAndAFailedOpenClosesTheDocument() {
        CMainFrame& f = app_->Frame();
        QSignalSpy changed(&f, &CMainFrame::documentChanged);
        QVERIFY(f.OpenPath(QString::fromStdString(threeTraces_)));
        QCOMPARE(f.windowTitle(), QStringLiteral("Waveform Viewer  ") + QString::fromStdString(threeTraces_) +
                                      QStringLiteral("    Model QV708"));
        const DisplayModel& m = app_->Model();
        QVERIFY(m.document.loaded);
        for (int i = 0; i < 3; ++i) QCOMPARE(int(m.mainOnOff[size_t(i)]), int(kTraceOn));
        for (int i = 3; i < kTraceCount; ++i) QCOMPARE(int(m.zoom.onOff[size_t(i)]), int(kTraceAbsent));
        QCOMPARE(m.document.recordCount, 2);
        QVERIFY(f.RecentFiles().contains(QString::fromStdString(threeTraces_)));
        QVERIFY(!f.Area().Window(WindowId::Main).Image().isNull());

        QVERIFY(!f.OpenPath(QDir(dir_.path()).filePath("missing.wvf")));
        QCOMPARE(ui_.Messages().size(), size_t(1));
        QVERIFY(ui_.Messages()[0].text.startsWith(QStringLiteral("Cannot oepn this file. \n\n  Check *.hdr \n")));
        QCOMPARE(ui_.Messages()[0].caption, QStringLiteral("ERROR"));
        QCOMPARE(ui_.Messages()[0].icon, MsgIcon::Exclamation);
        QVERIFY(!app_->Document().IsOpen());
        QVERIFY(!app_->Model().document.loaded);
        QCOMPARE(f.windowTitle(), QStringLiteral("Waveform Viewer"));
        QVERIFY(changed.count() >= 2);
    }

    void openCommandAsksForAFileAndCancelOpensNothing() {
        CMainFrame& f = app_->Frame();
        ui_.QueueFileName(std::nullopt);
        QVERIFY(f.RunCommand(cmd::kOpen));
        QVERIFY(!app_->Document().IsOpen());
        QCOMPARE(ui_.FileRequests().size(), size_t(1));
        const FileDialogRequest& r = ui_.FileRequests()[0].request;
        QCOMPARE(r.title, QStringLiteral("Open  WVF file (*.wvf) or RTM file (*.rtm)"));
        QCOMPARE(r.filter, QStringLiteral("Orvantis File (*.wvf)|*.wvf|Realtime File (*.rtm)|*.rtm|Floating File "
                                          "(*.fld)|*.fld||"));
        QCOMPARE(r.defaultSuffix, QStringLiteral("WVF"));
        QVERIFY(r.mustExist && !r.save);
        ui_.QueueFileName(QString::fromStdString(threeTraces_));
        QVERIFY(f.RunCommand(cmd::kOpen));
        QVERIFY(app_->Document().IsOpen());
        QVERIFY(f.RunCommand(cmd::kClose));
        QVERIFY(!app_->Document().IsOpen());
        QVERIFY(!app_->Model().document.loaded);
    }

    void droppedUpperCaseNamesOpenAsGivenAndOtherFilesAreIgnored() {
        const QString upperDir = QDir(dir_.path()).filePath("RUN7");
        QDir().mkpath(upperDir);
        const std::string lower = Generate(upperDir, "a.wvf", 2);
        QVERIFY(QFile::rename(QString::fromStdString(lower), upperDir + "/A.WVF"));
        QVERIFY(QFile::rename(upperDir + "/a.hdr", upperDir + "/A.HDR"));
        CMainFrame& f = app_->Frame();
        Drop(f, upperDir + "/A.WVF");
        QVERIFY(app_->Document().IsOpen());
        QCOMPARE(QString::fromStdString(app_->Document().Path()), upperDir + "/A.WVF");
        Drop(f, QDir(dir_.path()).filePath("notes.txt"));
        QVERIFY(app_->Document().IsOpen());
        QVERIFY(ui_.Messages().empty());
    }

    // A burst of layout marks is drawn once; marks that keep coming (a dragged
    // edge) are still drawn at every tick rather than put off until they stop.
    void layoutMarksAreCoalescedAndNeverPutOff() {
        CMainFrame& f = app_->Frame();
        DisplayModel& m = app_->Model();
        QTest::qWait(200);
        int before = f.RedrawCount();
        for (int i = 0; i < 10; ++i) m.redraw.Mark(ModelChange::Layout);
        QCOMPARE(f.RedrawCount(), before);
        QTest::qWait(250);
        QCOMPARE(f.RedrawCount(), before + 1);
        before = f.RedrawCount();
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < 600) {
            m.redraw.Mark(ModelChange::Layout);
            QTest::qWait(20);
        }
        QVERIFY2(f.RedrawCount() - before >= 3, qPrintable(QString::number(f.RedrawCount() - before)));
    }

    // The open's worker binds a copy of the model: the model the windows draw
    // from changes only on this thread, after the work, or not at all when cancelled.
    void anOpenBindsTheModelOnlyWhenItsWorkHasEnded() {
        CMainFrame& f = app_->Frame();
        const QString big = QString::fromStdString(Generate(dir_.path(), "big.wvf", 4, 1000000, 1));
        for (const bool cancel : {false, true}) {
            bool sawWork = false, boundMeanwhile = false;
            QTimer watch;
            watch.setInterval(1);
            connect(&watch, &QTimer::timeout, &f, [&] {
                if (!f.Busy().Running()) return;
                sawWork = true;
                boundMeanwhile = boundMeanwhile || app_->Model().document.loaded;
                if (cancel) f.Busy().findChild<QPushButton*>(QStringLiteral("busyCancel"))->click();
            });
            watch.start();
            const bool opened = f.OpenPath(big);
            watch.stop();
            QVERIFY2(sawWork, cancel ? "cancelled" : "opened");
            QVERIFY(!boundMeanwhile);
            QCOMPARE(opened, !cancel);
            QCOMPARE(app_->Model().document.loaded, !cancel);
            QCOMPARE(app_->Document().IsOpen(), !cancel);
        }
        // What the cancelled open drew is not taken for the next one's points.
        QVERIFY(f.OpenPath(QString::fromStdString(threeTraces_)));
        const QImage afterCancel = f.Area().Window(WindowId::Main).Image().copy();
        QVERIFY(f.OpenPath(QString::fromStdString(threeTraces_)));
        QCOMPARE(f.Area().Window(WindowId::Main).Image(), afterCancel);
    }

    void resizesAreClampedAndTheSharesKept() {
        CMainFrame& f = app_->Frame();
        const int usable = f.Area().height();
        const int width = f.Area().Window(WindowId::Main).width();
        f.LayOutWithResize(WindowResize{WindowId::Main, width, 20}, std::nullopt, false);
        QCOMPARE(f.Area().Window(WindowId::Main).height(), 100);
        QCOMPARE(f.Area().Window(WindowId::Zoom).height(), usable - 100);
        QVERIFY(qAbs(app_->Model().shares.main - 100.0 / usable) < 1e-9);
        f.LayOutWithResize(WindowResize{WindowId::History, width, 5000}, std::nullopt, false);
        QCOMPARE(f.Area().Window(WindowId::Xy).height(), 150);
        // The column edge keeps the left column at least 390 and the right one at least 130 wide.
        f.LayOutWithResize(std::nullopt, 0.99, false);
        QCOMPARE(f.Area().Window(WindowId::Main).width(), 390);
        f.LayOutWithResize(std::nullopt, 0.0, false);
        QCOMPARE(f.Area().Window(WindowId::History).width(), 130);
        // Hiding Main leaves the Zoom window the whole left column.
        app_->Model().shown[0] = false;
        f.LayOutWindows(true);
        QVERIFY(!f.Area().Window(WindowId::Main).isVisible());
        QCOMPARE(f.Area().Window(WindowId::Zoom).height(), usable);
    }

    // The dialog's own rules are the dialog tests'; here the click finds the
    // trace, and the dialog reaches the program's seam and its model.
    void aLabelClickOpensTheScaleDialogOfItsTrace() {
        CMainFrame& f = app_->Frame();
        QVERIFY(f.OpenPath(QString::fromStdString(threeTraces_)));
        CDisplayWindow& main = f.Area().Window(WindowId::Main);
        const ViewArea& a = app_->Model().Area(WindowId::Main);
        const QPoint label(a.areaX + a.areaWidth + 30, 36 + 3 * f.Metrics().LineHeight() + 4);
        QTest::mouseClick(&main, Qt::LeftButton, Qt::NoModifier, label);
        auto* scale = f.findChild<QDialog*>(QStringLiteral("ScaleDialog"));
        QVERIFY(scale && scale->isVisible());
        QCOMPARE(scale->findChild<QLabel*>(QStringLiteral("id1043"))->text(), QStringLiteral("CH2"));
        auto* upper = scale->findChild<QLineEdit*>(QStringLiteral("id1041"));
        auto* lower = scale->findChild<QLineEdit*>(QStringLiteral("id1042"));
        upper->setText(QStringLiteral("abc"));  // the message comes through the program's seam
        QTest::mouseClick(scale->findChild<QPushButton*>(QStringLiteral("idOK")), Qt::LeftButton);
        QCOMPARE(ui_.MessageTexts(), QStringList{QStringLiteral("Invalid Value")});
        QVERIFY(scale->isVisible());
        upper->setText(QStringLiteral("2"));
        lower->setText(QStringLiteral("-2"));
        QTest::mouseClick(scale->findChild<QPushButton*>(QStringLiteral("idOK")), Qt::LeftButton);
        QVERIFY(!scale->isVisible());
        QVERIFY(qAbs(app_->Model().mainSet[1].BandTopValue() - 2.0) < 1e-3);
        QVERIFY(qAbs(app_->Model().zoomSet[1].BandBottomValue() + 2.0) < 1e-3);
    }

    void everyControlOfTheFrameHasAnAccessibleName() {
        CMainFrame& f = app_->Frame();
        QVERIFY(f.OpenPath(QString::fromStdString(threeTraces_)));
        // The scroll bars inside a drop-down list's popup belong to Qt's list, not to us.
        for (QScrollBar* b : f.findChildren<QScrollBar*>())
            if (b->parentWidget() && b->parentWidget()->objectName().startsWith(QStringLiteral("qt_scrollarea_")))
                b->setAccessibleName(QStringLiteral("list scroll bar"));
        const QStringList missing = test::ControlsWithoutAccessibleName(f);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void busyWorkCanBeCancelledAndTheWindowsKeepPainting() {
        CMainFrame& f = app_->Frame();
        std::atomic<bool> stop{false};
        int polls = 0;
        QTimer::singleShot(150, &f, [&f] {
            auto* cancel = f.Busy().findChild<QPushButton*>(QStringLiteral("busyCancel"));
            QVERIFY(cancel && cancel->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        const bool finished = f.RunBusy(
            QStringLiteral("Loading ..."),
            [&] {
                while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            },
            [&] {
                ++polls;
                return 0.25;
            },
            [&] { stop = true; });
        QVERIFY(!finished);
        QVERIFY(polls > 0);  // the event loop ran while the work did
        QVERIFY(!f.Busy().isVisible());
        // Input is blocked only while the work runs.
        QVERIFY(f.RunCommand(cmd::kClose));
    }

    void settingsOfOtherDialogsSurviveAndLoadRulesApply() {
        const QString path = QDir(dir_.path()).filePath("rules.stp");
        SettingsRecord r;
        r.SetPrintNotes("line one\nline two");
        r.SetListEntry(SettingsList::Header, 0, "Header A");
        r.SetListEntry(SettingsList::Recorder4, 15, "comment");
        r.SetInterface(7);
        r.SetGpibAddress(31);
        r.SetSerialPort(2);
        r.SetMainShown(1), r.SetZoomShown(0), r.SetHistoryShown(1), r.SetXyShown(1);
        r.SetDivisions(12);
        r.SetGraticuleType(2);
        r.SetFrameRectangle({10, 10, 1285, 700});
        r.SetHistoryShare(0.0f);
        r.SetRightShare(0.0f);
        r.SetMainShare(0.4f);
        QVERIFY(SettingsStore::Save(path.toStdString(), r).Ok());

        app_.reset();
        app_ = std::make_unique<CKiveloApp>(ui_, path.toStdString());
        app_->LoadSettings();
        const DisplayModel& m = app_->Model();
        QVERIFY(!m.shown[1]);
        QCOMPARE(int(m.Area(WindowId::Main).verticalDivisions), 10);
        QCOMPARE(int(m.Area(WindowId::Main).graticuleStyle), 2);
        QCOMPARE(m.shares.history, 0.5);
        QCOMPARE(m.shares.right, 0.5);
        QVERIFY(qAbs(m.shares.main - 0.4) < 1e-6);
        QCOMPARE(app_->Frame().width(), 1275);  // no 1285 x 1025 limit: any place a screen shows
        QVERIFY(app_->SaveSettings());
        const QByteArray saved = ReadAll(path);
        QCOMPARE(saved.size(), qsizetype(SettingsRecord::kSize));
        SettingsRecord back;
        QVERIFY(SettingsStore::Load(path.toStdString(), back) == SettingsLoadResult::Loaded);
        QCOMPARE(back.PrintNotes(), std::string("line one\nline two"));
        QCOMPARE(back.ListEntry(SettingsList::Header, 0), std::string("Header A"));
        QCOMPARE(back.ListEntry(SettingsList::Recorder4, 15), std::string("comment"));
        QCOMPARE(back.ZoomShown(), 0);
        QCOMPARE(back.Divisions(), 10);
    }

private:
    QTemporaryDir dir_;
    std::string threeTraces_;
    CScriptedUi ui_;
    std::unique_ptr<CKiveloApp> app_;
};

QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
