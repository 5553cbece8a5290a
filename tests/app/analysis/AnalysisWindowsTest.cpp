// The Analysis menu's windows on the demo record: the Measure window's rows and
// values, the span following a scroll and the span choice, the CSV copy, the
// Spectrum window's peak, and their visibility kept in the profile.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "ProgramFixture.h"
#include "WidgetChecks.h"
#include "analysis/Measurement.h"
#include "app/analysis/CAmplitudePlot.h"
#include "app/analysis/CAnalysisCommands.h"
#include "app/analysis/CFrequencyWindow.h"
#include "app/analysis/CMeasureWindow.h"
#include "app/frame/CKiveloApp.h"
#include "app/frame/CMainFrame.h"
#include "display/NumberFormat.h"

using namespace kivelo;
using namespace kivelo::app;

namespace {

const QString kDemo = QStringLiteral(KIVELO_SOURCE_DIR "/data/demo/demo_wave.wvf");

QString Cell(const QTableWidget& t, int row, int column) {
    const QTableWidgetItem* item = t.item(row, column);
    return item ? item->text() : QString();
}

QString Formatted(double v, const std::string& unit) {
    std::string text;
    FormatValue(v, unit, 4, 0.0, true, text);
    return QString::fromStdString(text).trimmed();
}

}  // namespace

class AnalysisWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        p_.Start();
        QVERIFY(Frame().OpenPath(kDemo));
    }

    void menuHasBothEntriesWithKeys() {
        for (const auto& [id, key] :
             {std::pair{cmd::kMeasureWindow, "Ctrl+Shift+M"}, {cmd::kSpectrumWindow, "Ctrl+Shift+F"}}) {
            QAction* a = Frame().Action(id);
            QVERIFY(a != nullptr);
            QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(key)));
            auto* menu = qobject_cast<QMenu*>(a->parent());
            QVERIFY(menu != nullptr);
            QCOMPARE(menu->objectName(), QStringLiteral("menuAnalysis"));
        }
    }

    // One row per trace of the Zoom window, each value the engine's over the Zoom stretch.
    void measureRowsFollowTheZoomStretch() {
        QVERIFY(Frame().RunCommand(cmd::kMeasureWindow));
        CMeasureWindow* w = Frame().findChild<CMeasureWindow*>(QStringLiteral("measureWindow"));
        QVERIFY(w != nullptr && w->isVisible());
        auto* table = w->findChild<QTableWidget*>(QStringLiteral("measureTable"));
        QTRY_VERIFY_WITH_TIMEOUT(w->UpToDate(), 10000);
        QCOMPARE(table->rowCount(), 4);
        ExpectEngineValues(*table, SpanNow());

        // A page to the right: the table follows.
        DisplayModel& model = p_.app->Model();
        const int64_t before = model.zoom.ZoomStart();
        model.zoom.Scroll(ScrollCode::PageRight, 0, model.document.recordLength);
        Frame().RedrawWindows(kAllWindows);
        QVERIFY(model.zoom.ZoomStart() != before);
        QTRY_VERIFY_WITH_TIMEOUT(w->UpToDate() && w->findChild<QLabel*>(QStringLiteral("measureWhere"))
                                                      ->text()
                                                      .contains(QString::number(model.zoom.ZoomStart())),
                                 10000);
        ExpectEngineValues(*table, SpanNow());

        auto* span = w->findChild<QComboBox*>(QStringLiteral("measureSpan"));
        span->setCurrentIndex(2);  // the whole record
        QTRY_VERIFY_WITH_TIMEOUT(w->UpToDate() && w->findChild<QLabel*>(QStringLiteral("measureWhere"))
                                                      ->text()
                                                      .contains(QStringLiteral("samples 0 to 9999")),
                                 10000);
        ExpectEngineValues(*table, {0, 10000});

        QTest::keySequence(w, QKeySequence::Copy);
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0].startsWith(QStringLiteral("Trace,Name,Min,Max,P-P,Mean")));
        QVERIFY(lines[1].startsWith(QStringLiteral("W1,CH1,")));
    }

    void spectrumShowsThePeak() {
        QVERIFY(Frame().RunCommand(cmd::kSpectrumWindow));
        auto* w = Frame().findChild<CFrequencyWindow*>(QStringLiteral("spectrumWindow"));
        QVERIFY(w != nullptr && w->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(w->UpToDate() && !w->Plot().Shown().amplitude.empty(), 10000);
        // The whole record of W1 (the Measure window's choice): 10000 samples.
        QCOMPARE(w->Plot().Shown().amplitude.size(), size_t{5001});
        QVERIFY(w->Plot().PeakBin() > 0);
        QVERIFY(w->findChild<QLabel*>(QStringLiteral("spectrumPeak"))->text().startsWith(QStringLiteral("Peak ")));
        for (QWidget* window :
             {static_cast<QWidget*>(w), Frame().findChild<QWidget*>(QStringLiteral("measureWindow"))}) {
            // The scroll bars inside a drop-down list's popup belong to Qt's list, not to us.
            for (QScrollBar* b : window->findChildren<QScrollBar*>())
                if (b->accessibleName().isEmpty() &&
                    b->parentWidget()->objectName().startsWith(QStringLiteral("qt_scrollarea_")))
                    b->setAccessibleName(QStringLiteral("list scroll bar"));
            const QStringList missing = test::ControlsWithoutAccessibleName(*window);
            QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
        }
    }

    // Shown at the next start as the user left them; the program's exit hides them without changing that.
    void visibilityIsKeptInTheProfile() {
        QVERIFY(Frame().RunCommand(cmd::kSpectrumWindow));  // hides it
        p_.Stop();
        p_.app = std::make_unique<CKiveloApp>(p_.ui, p_.File("kivelo.stp").toStdString());
        Frame().show();
        p_.app->LoadSettings();
        QVERIFY(Frame().findChild<QWidget*>(QStringLiteral("measureWindow"))->isVisible());
        QVERIFY(!Frame().findChild<QWidget*>(QStringLiteral("spectrumWindow"))->isVisible());
        Frame().findChild<QWidget*>(QStringLiteral("measureWindow"))->close();
        QCOMPARE(QSettings().value(QStringLiteral("analysis/measureShown")).toBool(), false);
    }

    void cleanupTestCase() { p_.Stop(); }

private:
    CMainFrame& Frame() { return p_.app->Frame(); }

    std::pair<int64_t, int64_t> SpanNow() {
        const DisplayModel& m = p_.app->Model();
        return {m.zoom.ZoomStart(), m.zoom.SpanOf(m.document.recordLength)};
    }

    void ExpectEngineValues(const QTableWidget& table, std::pair<int64_t, int64_t> span) {
        std::string error;
        auto file = OpenWaveFileAt(kDemo.toStdString(), 0, error);
        QVERIFY(file);
        for (int row = 0; row < table.rowCount(); ++row) {
            QCOMPARE(Cell(table, row, 0), QStringLiteral("W%1").arg(row + 1));
            TraceMeasurement m;
            QVERIFY(MeasureTrace(*file, 0, row, span.first, span.second, m, error));
            QCOMPARE(Cell(table, row, 2), Formatted(*m.min, "V"));
            QCOMPARE(Cell(table, row, 6), Formatted(*m.rms, "V"));
            QCOMPARE(Cell(table, row, 8), m.frequency ? Formatted(*m.frequency, "Hz") : QStringLiteral("-"));
        }
    }

    test::ProgramFixture p_;
};

QTEST_MAIN(AnalysisWindowsTest)
#include "AnalysisWindowsTest.moc"
