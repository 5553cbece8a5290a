// File > Export... driven as a user would: the dialog's choices set through
// its controls, the name and the overwrite question answered by the script.
// What is written is compared with kivelo-cli export of the same choice.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QStatusBar>

#include <functional>

#include "ExportFixture.h"
#include "WidgetChecks.h"
#include "app/core/CommandTable.h"
#include "app/export/CExportDialog.h"
#include "app/export/ExportChoice.h"

using namespace kivelo;
using namespace kivelo::app;
using namespace kivelo::app::test;

namespace {

// Sets the dialog's controls as a user would, then presses OK (or Cancel).
struct DialogSteps {
    int format = 0;      // index in the format list: CSV, HDF5, sigrok session, VCD, WAV
    QStringList clicks;  // object names of radio buttons and check boxes
    bool ok = true;
};

void Answer(const DialogSteps& steps, QStringList* disabled = nullptr) {
    OnModal([steps, disabled](QWidget& w) {
        QCOMPARE(w.objectName(), QStringLiteral("ExportDialog"));
        QVERIFY2(ControlsWithoutAccessibleName(w).isEmpty(), qPrintable(ControlsWithoutAccessibleName(w).join(", ")));
        w.findChild<QComboBox*>(QStringLiteral("exportFormat"))->setCurrentIndex(steps.format);
        for (const QString& name : steps.clicks) {
            auto* b = w.findChild<QAbstractButton*>(name);
            QVERIFY2(b, qPrintable(name));
            b->click();
        }
        if (disabled != nullptr)
            for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
                if (!b->isEnabled()) disabled->append(b->objectName());
        SaveGrabIfAsked(w, QStringLiteral("export-dialog"));
        w.findChild<QAbstractButton*>(steps.ok ? QStringLiteral("idOK") : QStringLiteral("idCANCEL"))->click();
    });
}

}  // namespace

class RecordExportTest : public QObject {
    Q_OBJECT

private slots:
    void init() { p_.Start(); }
    void cleanup() { p_.Stop(); }

    // The choices reach the exporter: the file is what kivelo-cli writes for
    // them. Formats with one time axis take the current record only; HDF5
    // takes them all.
    void writesWhatTheCliWritesForTheChoice() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf_));
        struct Row {
            const char* name;
            DialogSteps steps;
            QStringList cli;  // kivelo-cli export arguments besides FILE and -o
        };
        const int64_t zoomCount = p_.app->Model().zoom.SpanOf(4000);
        const Row rows[] = {
            {"time.csv", {0, {"exportTracesAll"}}, {}},
            {"w2zoom.csv",
             {0, {"exportTraceW2", "exportSpanZoom"}},
             {"--traces", "W2", "--first", "1000", "--count", QString::number(zoomCount)}},
            {"all.wav", {4, {"exportTracesAll"}}, {}},
            {"w1w3.vcd", {3, {"exportTraceW1", "exportTraceW3"}}, {"--traces", "W1,W3"}},
            {"all.h5", {1, {"exportRecordAll", "exportTracesAll"}}, {"--all-blocks"}},
        };
        for (const Row& r : rows) {
            p_.ui.Clear();
            const QString out = p_.File(QString::fromLatin1(r.name));
            const bool hdf5 = r.steps.format == 1;
            p_.ui.QueueFileName(out);
            QStringList disabled;
            Answer(r.steps, &disabled);
            p_.app->Model().zoom.SetZoomStart(1000);  // as if the Zoom window had last drawn from sample 1000
            QVERIFY(f.RunCommand(cmd::kExport));
            QVERIFY2(p_.ui.Messages().empty(), qPrintable(p_.ui.MessageTexts().join('|')));
            QCOMPARE(disabled.contains("exportRecordAll"), !hdf5);
            QCOMPARE(disabled.contains("exportRecordRange"), !hdf5);
            QCOMPARE(p_.ui.FileRequests().size(), size_t(1));
            const FileDialogRequest& asked = p_.ui.FileRequests()[0].request;
            QVERIFY(asked.save);
            QCOMPARE(QFileInfo(asked.initialName).fileName(),
                     "three." + QFileInfo(QString::fromLatin1(r.name)).suffix());
            const QString cli = p_.File(QStringLiteral("cli-") + QString::fromLatin1(r.name));
            QCOMPARE(RunCli(QStringList{"export", wvf_, "-o", cli} + r.cli), 0);
            QVERIFY(!ReadAll(out).isEmpty());
            QCOMPARE(ReadAll(out), ReadAll(cli));
        }
        QVERIFY(ReadAll(p_.File("all.h5")).size() > 2 * 3 * 4000 * 2);
    }

    // The records, traces and span choices, down to the request they make.
    void choicesMakeTheirRequest() {
        ExportScene scene;
        scene.recordCount = 5;
        scene.currentRecord = 2;
        scene.mainTraces = {0, 2};
        scene.zoomFirst = 100;
        scene.zoomCount = 50;
        scene.cursorA = 40;
        scene.cursorB = 10;
        struct Row {
            std::function<void(ExportChoice&)> change;
            bool ok;
            std::vector<int> blocks, traces;
            int64_t first, count;
        };
        using C = ExportChoice;
        const Row rows[] = {
            {[](C&) {}, true, {2}, {0, 2}, 0, -1},
            {[](C& c) { c.records = C::Records::All; }, true, {0, 1, 2, 3, 4}, {0, 2}, 0, -1},
            {[](C& c) { c.records = C::Records::Range, c.from = 3, c.to = 9; }, true, {3, 4}, {0, 2}, 0, -1},
            {[](C& c) { c.records = C::Records::Range, c.from = 4, c.to = 3; }, false, {}, {}, 0, 0},
            {[](C& c) { c.traces = C::Traces::All, c.span = C::Span::Zoom; }, true, {2}, {}, 100, 50},
            {[](C& c) { c.traces = C::Traces::Chosen, c.chosen = {1}, c.span = C::Span::Cursors; },
             true,
             {2},
             {1},
             10,
             31},
            {[](C& c) { c.traces = C::Traces::Chosen; }, false, {}, {}, 0, 0},
        };
        for (const Row& r : rows) {
            ExportChoice choice;
            r.change(choice);
            ExportRequest request;
            std::string why;
            QCOMPARE(RequestOf(choice, scene, request, why), r.ok);
            if (!r.ok) {
                QVERIFY(!why.empty());
                continue;
            }
            QCOMPARE(request.blocks, r.blocks);
            QCOMPARE(request.traces, r.traces);
            QCOMPARE(request.first, r.first);
            QCOMPARE(request.count, r.count);
        }
        scene.mainTraces.clear();
        ExportRequest request;
        std::string why;
        QVERIFY(!RequestOf(ExportChoice{}, scene, request, why));
        QCOMPARE(why, std::string("No trace is shown in the Main window"));
        QCOMPARE(SuggestedName("/data/wave0001.wvf", ".h5"), std::string("/data/wave0001.h5"));
        QCOMPARE(SuggestedName("/data.d/wave", ".vcd"), std::string("/data.d/wave.vcd"));
    }

    // Cancel in the dialog, in the file dialog, at the overwrite question and in
    // the busy window: nothing written, an older file kept.
    void cancelWritesNothing() {
        QTemporaryDir big;
        const QString wvf = MakeWvf(big.path(), "big.wvf", 8, 2'000'000);
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf));
        const QString older = big.path() + "/older.csv";
        QVERIFY(WriteAll(older, "older file"));
        const QStringList before = Entries(big.path());

        Answer({0, {}, false});
        QVERIFY(f.RunCommand(cmd::kExport));
        QVERIFY(p_.ui.FileRequests().empty());

        Answer({0, {}});
        QVERIFY(f.RunCommand(cmd::kExport));  // the file dialog is answered Cancel
        QCOMPARE(p_.ui.FileRequests().size(), size_t(1));

        p_.ui.QueueFileName(older);
        p_.ui.QueueAnswer(MsgAnswer::Cancel);
        Answer({0, {}});
        QVERIFY(f.RunCommand(cmd::kExport));
        QCOMPARE(p_.ui.MessageTexts(), QStringList{QStringLiteral("File already exists.\nOver write ?")});

        for (const QString& target : {big.path() + "/new.csv", older}) {
            p_.ui.Clear();
            p_.ui.QueueFileName(target);
            CancelWhenBusy cancel(f);
            Answer({0, {"exportTracesAll"}});
            QVERIFY(f.RunCommand(cmd::kExport));
            QVERIFY(cancel.Clicked());
            QVERIFY(f.statusBar()->currentMessage().contains("cancelled"));
        }
        QCOMPARE(Entries(big.path()), before);
        QCOMPARE(ReadAll(older), QByteArray("older file"));
    }

private:
    const QString wvf_ = SharedRecords().wvf;
    ProgramFixture p_;
};

QTEST_MAIN(RecordExportTest)
#include "RecordExportTest.moc"
