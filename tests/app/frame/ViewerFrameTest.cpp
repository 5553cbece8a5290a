// The viewer in the frame as a user meets it: captions, the keyboard, the
// wheel and "back", cursors through frame changes, the double click on W1,
// the background behind hidden windows and the frame's place over ten starts.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include "CScriptedUi.h"
#include "WidgetChecks.h"
#include "WvfWriter.h"
#include "app/core/CommandTable.h"
#include "app/frame/CKiveloApp.h"
#include "app/frame/CMainFrame.h"
#include "app/windows/CWindowArea.h"
#include "display/CursorSamples.h"

using namespace kivelo;
using namespace kivelo::app;

class ViewerFrameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("KiveloViewerTest"));
        QVERIFY(dir_.isValid());
        wavegen::WvfDesc desc;
        desc.traces = wavegen::MakeTraces(4, "IS2", wavegen::Signal::Sine, 1000);
        desc.samples = 100000;
        desc.blocks = 1;
        record_ = QDir(dir_.path()).filePath("four.wvf");
        QVERIFY(wavegen::WriteWvf(record_.toStdString(), desc).ok);
        settings_ = QDir(dir_.path()).filePath("kivelo.stp");
    }

    void init() {
        QFile::remove(settings_);
        Start();
    }
    void cleanup() { app_.reset(); }

    void captionsAreTheTextsThemselves() {
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Waveform Viewer"));
        QVERIFY(Frame().OpenPath(record_));
        QVERIFY(Frame().windowTitle().startsWith(QStringLiteral("Waveform Viewer  ")));
        QVERIFY(!Frame().windowTitle().contains(QStringLiteral("Kivelo")));
    }

    void menusAndCommandsHaveTheirKeys() {
        QStringList titles;
        for (QAction* a : Frame().menuBar()->actions())
            if (a->isVisible()) titles << a->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Comm"), QStringLiteral("&Analysis"),
                                      QStringLiteral("&Help")}));
        QCOMPARE(Frame().Action(cmd::kExit)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QCOMPARE(Frame().Action(cmd::kClose)->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
        // F10 opens the first menu.
        Frame().activateWindow();
        QTest::keyClick(&Frame(), Qt::Key_F10);
        QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
        QCOMPARE(QApplication::activePopupWidget()->objectName(), QStringLiteral("menuFile"));
        QApplication::activePopupWidget()->close();
        // Ctrl+W closes the document, Ctrl+Q the frame.
        QVERIFY(Frame().OpenPath(record_));
        Frame().Action(cmd::kClose)->trigger();
        QVERIFY(!app_->Model().document.loaded);
        Frame().Action(cmd::kExit)->trigger();
        QTRY_VERIFY(!Frame().isVisible());
    }

    void wheelZoomsAroundThePointerAndBackspaceGoesBack() {
        QVERIFY(Frame().OpenPath(record_));
        CDisplayWindow& zoom = Frame().Area().Window(WindowId::Zoom);
        const DisplayModel& m = app_->Model();
        const uint32_t before = m.zoom.Selected();
        const int64_t startBefore = m.zoom.ReadPlan(m.document.recordLength).start;
        const ViewArea& a = m.Area(WindowId::Zoom);
        const QPointF at(a.areaX + a.areaWidth / 3, a.areaY + 36 + 20);
        QWheelEvent up(at, zoom.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(&zoom, &up);
        QCOMPARE(m.zoom.Selected(), before + 1);
        // The ratio list follows.
        auto* ratio = zoom.findChild<QComboBox*>(QStringLiteral("zoomRatio"));
        QVERIFY(ratio);
        QCOMPARE(ratio->currentIndex(), int(before + 1));
        zoom.setFocus();
        QTest::keyClick(&zoom, Qt::Key_Backspace);
        QCOMPARE(m.zoom.Selected(), before);
        QCOMPARE(m.zoom.ReadPlan(m.document.recordLength).start, startBefore);
    }

    void cursorsKeepTheirTimeWhenTheFrameChanges() {
        QVERIFY(Frame().OpenPath(record_));
        DisplayModel& m = app_->Model();
        CDisplayWindow& main = Frame().Area().Window(WindowId::Main);
        const ViewArea& a = m.Area(WindowId::Main);
        QTest::mouseClick(&main, Qt::LeftButton, Qt::NoModifier, QPoint(a.areaX + 2 * a.areaWidth / 3, 36 + 40));
        const double mes = CursorsOf(m, WindowId::Main).mes;
        QVERIFY(mes > 1000);
        Frame().resize(Frame().width() - 200, Frame().height() - 100);
        QTest::qWait(100);
        m.shown[2] = m.shown[3] = false;  // History and XY hidden, as their toolbar buttons do
        Frame().LayOutWindows(true);
        Frame().RedrawWindows(kAllWindows);
        QCOMPARE(CursorsOf(m, WindowId::Main).mes, mes);
        // The arrow keys move it by a column; Ctrl+arrows the Ref cursor.
        main.setFocus();
        const double column = static_cast<double>(m.document.recordLength) / m.Area(WindowId::Main).areaWidth;
        QTest::keyClick(&main, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(qAbs(CursorsOf(m, WindowId::Main).mes - (mes + 10 * column)) < 1e-6);
        const double ref = CursorsOf(m, WindowId::Main).ref;
        QTest::keyClick(&main, Qt::Key_Left, Qt::ControlModifier);
        QVERIFY(qAbs(CursorsOf(m, WindowId::Main).ref - qMax(ref - column, 0.0)) < 1e-6);
        // Ctrl+G: the time typed goes to the Mes cursor.
        QTest::keyClick(&main, Qt::Key_G, Qt::ControlModifier);
        auto* dialog = Frame().findChild<QDialog*>(QStringLiteral("CursorTimeDialog"));
        QVERIFY(dialog && dialog->isVisible());
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("cursorTime"));
        edit->setText(QStringLiteral("12.5ms"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!dialog->isVisible());
        const HorzInfo& h = m.document.horz;
        QVERIFY(qAbs(CursorsOf(m, WindowId::Main).mes * h.HResolution + h.HOffset - 0.0125) < h.HResolution);
    }

    void doubleClickOnW1OpensTheScaleDialogModally() {
        QVERIFY(Frame().OpenPath(record_));
        auto* w1 = Frame().Area().Window(WindowId::Main).findChild<QCheckBox*>(QStringLiteral("id1010"));
        QVERIFY(w1);
        bool modal = false;
        test::OnModal([&modal](QWidget& w) {
            modal = w.objectName() == QStringLiteral("ScaleDialog");
            QTest::keyClick(&w, Qt::Key_Escape);  // cancels without applying
        });
        const int32_t zoomBefore = app_->Model().mainSet[0].verticalZoom;
        QTest::mouseDClick(w1, Qt::LeftButton);
        QVERIFY(modal);
        QCOMPARE(app_->Model().mainSet[0].verticalZoom, zoomBefore);
    }

    void greenBehindHiddenWindows() {
        app_->Model().shown = {false, false, false, false};
        Frame().LayOutWindows(true);
        const QImage area = Frame().Area().grab().toImage();
        QCOMPARE(area.pixelColor(area.width() / 2, area.height() / 2), QColor(0, 128, 0));
    }

    void theFrameStaysWhereItWasOverTenStarts() {
        const QRect place(30, 40, 700, 500);
        Frame().setGeometry(place);
        QTest::qWait(50);
        QVERIFY(app_->SaveSettings());
        for (int start = 0; start < 10; ++start) {
            Restart();
            QCOMPARE(Frame().geometry(), place);
        }
        // Maximised: it starts maximised and keeps its restored place underneath.
        Frame().showMaximized();
        QTRY_VERIFY(Frame().isMaximized());
        QVERIFY(app_->SaveSettings());
        for (int start = 0; start < 3; ++start) {
            Restart();
            QVERIFY(Frame().isMaximized());
        }
        Frame().showNormal();
        QTRY_COMPARE(Frame().geometry(), place);
    }

    void aPlaceNoScreenShowsFallsBackToTheDefault() {
        Frame().setGeometry(QRect(-5000, -4000, 700, 500));
        QTest::qWait(50);
        QVERIFY(app_->SaveSettings());
        Restart();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.intersects(Frame().geometry()));
        QCOMPARE(Frame().size(), CMainFrame::DefaultSize().boundedTo(QSize(100000, 100000)));
    }

private:
    CMainFrame& Frame() { return app_->Frame(); }
    void Start() {
        app_ = std::make_unique<CKiveloApp>(ui_, settings_.toStdString());
        app_->LoadSettings();
        if (app_->StartsMaximised()) app_->Frame().showMaximized();
        else app_->Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&app_->Frame()));
    }
    // Exit (settings written) and start again.
    void Restart() {
        QVERIFY(app_->SaveSettings());
        app_.reset();
        Start();
    }

    QTemporaryDir dir_;
    QString record_;
    QString settings_;
    CScriptedUi ui_;
    std::unique_ptr<CKiveloApp> app_;
};

QTEST_MAIN(ViewerFrameTest)
#include "ViewerFrameTest.moc"
