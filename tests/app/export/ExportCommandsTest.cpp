// The File menu's CSV, WVF and image commands driven as a user would, with
// the dialogs answered by a script: what each asks, what Cancel leaves, the
// bytes against kivelo-cli, failures and cancelled work leaving nothing.
#include <QImageReader>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QStatusBar>
#include <QtEndian>

#include "ExportFixture.h"
#include "FileSizeLimit.h"
#include "app/core/CommandTable.h"
#include "app/windows/CWindowArea.h"

using namespace kivelo;
using namespace kivelo::app;
using namespace kivelo::app::test;

namespace {

const QString kCsvFilter = QStringLiteral("Ascii FIle (*.csv)|*.csv||");
const QString kWvfFilter = QStringLiteral("Orvantis File (*.wvf)|*.wvf||");
const QString kExistsQuestion = QStringLiteral("File already exists.\nOver write ?");

// The colour a saved picture stores for a screen colour: the display's
// lightest and darkest levels become true white and black.
QRgb Cleaned(QRgb c) {
    auto all = [&](int lo, int hi) {
        return qRed(c) >= lo && qRed(c) <= hi && qGreen(c) >= lo && qGreen(c) <= hi && qBlue(c) >= lo && qBlue(c) <= hi;
    };
    if (all(0xF0, 0xFB)) return qRgb(0xFF, 0xFF, 0xFF);
    if (all(0x0E, 0x11)) return qRgb(0, 0, 0);
    return qRgb(qRed(c), qGreen(c), qBlue(c));
}

// Number of pixels where `saved` differs from `shown` after the clean-up;
// with `exact` given, only pixels of those screen colours count.
int Differences(const QImage& saved, const QImage& shown, const QSet<QRgb>& exact = {}) {
    if (saved.size() != shown.size()) return -1;
    const QImage a = saved.convertToFormat(QImage::Format_RGB32), b = shown.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!exact.isEmpty() && !exact.contains(b.pixel(x, y) | 0xFF000000)) continue;
            const QRgb want = Cleaned(b.pixel(x, y));
            n += (a.pixel(x, y) | 0xFF000000) != want;
        }
    return n;
}

bool Contains(const QImage& image, QRgb colour) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if ((rgb.pixel(x, y) | 0xFF000000) == colour) return true;
    return false;
}

QImage Decode(const QString& path) {
    QImageReader reader(path);
    return reader.read();
}

}  // namespace

class ExportCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { p_.Start(); }
    void cleanup() { p_.Stop(); }

    void saveAsWvfOnlyForAnOpenRealtimeFile() {
        CMainFrame& f = p_.Frame();
        const std::pair<QString, bool> docs[] = {{QString(), false}, {wvf_, false}, {rtm_, true}};
        for (const auto& [path, enabled] : docs) {
            if (!path.isEmpty()) QVERIFY(f.OpenPath(path));
            f.UpdateCommandStates();
            for (int id : {cmd::kSaveWvfAll, cmd::kSaveWvf100, cmd::kSaveWvf1000})
                QCOMPARE(f.Action(id)->isEnabled(), enabled);
            QVERIFY(f.Action(cmd::kConvertWvfAll)->isEnabled() && f.Action(cmd::kConvertCsv)->isEnabled());
        }
        QCOMPARE(qobject_cast<QMenu*>(f.Action(cmd::kBmpAll)->parent())->title(),
                 QStringLiteral("Save  image as BMP file"));
        // A disabled command does nothing even when run directly.
        QVERIFY(f.OpenPath(wvf_));
        QVERIFY(f.RunCommand(cmd::kSaveWvfAll));
        QVERIFY(p_.ui.FileRequests().empty());
    }

    // Each command's dialogs, answered Cancel one after the other: nothing is written.
    void cancelInAnyDialogWritesNothing() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(rtm_));
        const QString out = p_.File("out");
        QVERIFY(QDir().mkpath(out));
        const QString wvfSource = p_.File("source.wvf");
        QVERIFY(QFile::copy(wvf_, wvfSource) &&
                QFile::copy(QString(wvf_).replace(".wvf", ".hdr"), p_.File("source.hdr")));
        struct Row {
            int id;
            QStringList answers;  // given before the Cancel
            QString title;        // of the first dialog
            QString filter;       // of the last dialog
            QString suffix;
        };
        const QString rtmTitle = QStringLiteral("Convert RTM file (*.rtm) to WVF file (*.wvf)");
        const Row rows[] = {
            {cmd::kCsvAll, {}, {}, kCsvFilter, "csv"},
            {cmd::kCsvZoom, {}, {}, kCsvFilter, "csv"},
            {cmd::kConvertCsv,
             {},
             "Convert RTM or WVF file (*.rtm or *.wvf) to CSV file (*.csv)(All data)",
             kWvfFilter,
             "WVF"},
            {cmd::kConvertCsv,
             {wvfSource},
             "Convert RTM or WVF file (*.rtm or *.wvf) to CSV file (*.csv)(All data)",
             kCsvFilter,
             "csv"},
            {cmd::kConvertWvfAll, {}, rtmTitle + "(All data)", "Realtime File (*.rtm)|*.rtm||", "RTM"},
            {cmd::kConvertWvf100, {rtm_}, rtmTitle + "(1/100 Compression)", kWvfFilter, "wvf"},
            {cmd::kConvertWvf1000, {rtm_}, rtmTitle + "(1/1000 Compression)", kWvfFilter, "wvf"},
            {cmd::kSaveWvfAll, {}, {}, kWvfFilter, "wvf"},
            {cmd::kSaveWvf1000, {}, {}, kWvfFilter, "wvf"},
            {cmd::kBmpAll, {}, {}, "Image file (*.bmp)|*.bmp|PNG image (*.png)|*.png||", "bmp"},
            {cmd::kBmpXy, {}, {}, "Image file (*.bmp)|*.bmp|PNG image (*.png)|*.png||", "bmp"},
        };
        const QStringList files = Entries(p_.dir.path());
        for (const Row& r : rows) {
            const QString what = QStringLiteral("command %1 after %2 answers").arg(r.id).arg(r.answers.size());
            p_.ui.Clear();
            for (const QString& a : r.answers) p_.ui.QueueFileName(a);
            p_.ui.QueueFileName(std::nullopt);
            QTest::qWait(100);  // redraws owed from before
            const int before = f.RedrawCount();
            QVERIFY2(f.Model().redraw.Pending() == 0, qPrintable(what));
            QVERIFY2(f.RunCommand(r.id), qPrintable(what));
            const uint32_t marked = f.Model().redraw.Pending();
            const auto& asked = p_.ui.FileRequests();
            QVERIFY2(asked.size() == size_t(r.answers.size() + 1), qPrintable(what));
            QCOMPARE(asked.front().request.title, r.title);
            QCOMPARE(asked.back().request.filter, r.filter);
            QCOMPARE(asked.back().request.defaultSuffix, r.suffix);
            QVERIFY(asked.back().request.initialName.isEmpty());
            const bool lastOpens = r.answers.isEmpty() && !r.title.isEmpty();
            QCOMPARE(asked.back().request.save, !lastOpens);
            QCOMPARE(asked.front().request.mustExist, !r.title.isEmpty());
            QVERIFY2(p_.ui.Messages().empty(), qPrintable(what));
            QVERIFY2(Entries(out).isEmpty() && Entries(p_.dir.path()) == files, qPrintable(what));
            // Every Cancel marks all windows, drawn when the event ends, except
            // the second dialog of Convert to WVF.
            const bool redraws = !(r.id == cmd::kConvertWvf100 || r.id == cmd::kConvertWvf1000);
            QVERIFY2(marked == (redraws ? kAllWindows : 0), qPrintable(what));
            QCoreApplication::processEvents();
            QVERIFY2(f.Model().redraw.Pending() == 0, qPrintable(what));
            QVERIFY2(f.RedrawCount() == before + (redraws ? 1 : 0), qPrintable(what));
        }
    }

    void overwriteQuestionBothWays() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf_));
        const QString csv = p_.File("old.csv"), bmp = p_.File("old.bmp");
        for (const QString& path : {csv, bmp}) QVERIFY(WriteAll(path, "older file"));
        for (int id : {cmd::kCsvAll, cmd::kBmpMain}) {
            const QString path = id == cmd::kCsvAll ? csv : bmp;
            p_.ui.Clear();
            p_.ui.QueueFileName(path);
            p_.ui.QueueAnswer(MsgAnswer::Cancel);
            QVERIFY(f.RunCommand(id));
            QCOMPARE(p_.ui.Messages().size(), size_t(1));
            const CScriptedUi::MessageCall& m = p_.ui.Messages()[0];
            QCOMPARE(m.text, kExistsQuestion);
            QCOMPARE(m.caption, QStringLiteral("ERROR"));
            QCOMPARE(m.icon, MsgIcon::Question);
            QCOMPARE(m.buttons, MsgButtons::OkCancel);
            QCOMPARE(ReadAll(path), QByteArray("older file"));

            p_.ui.Clear();
            p_.ui.QueueFileName(path);
            p_.ui.QueueAnswer(MsgAnswer::Ok);
            QVERIFY(f.RunCommand(id));
            QCOMPARE(p_.ui.MessageTexts(), QStringList{kExistsQuestion});
            QVERIFY(ReadAll(path) != QByteArray("older file") && !ReadAll(path).isEmpty());
        }
    }

    void csvBytesAreThoseOfTheCli() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf_));
        DisplayModel& m = p_.app->Model();
        struct Row {
            int id;
            int record;
            QStringList cli;
        };
        const Row rows[] = {
            {cmd::kCsvAll, 0, {"--block", "0"}},
            {cmd::kCsvAll, 1, {"--block", "1"}},
            {cmd::kConvertCsv, 1, {}},  // the source's first block whatever the open record
        };
        for (const Row& r : rows) {
            m.document.currentRecord = r.record;
            const QString menu = p_.File(QStringLiteral("menu%1.csv").arg(r.record));
            const QString cli = p_.File(QStringLiteral("cli%1.csv").arg(r.record));
            QFile::remove(menu);
            QFile::remove(cli);
            p_.ui.Clear();
            if (r.id == cmd::kConvertCsv) p_.ui.QueueFileName(wvf_);
            p_.ui.QueueFileName(menu);
            QVERIFY(f.RunCommand(r.id));
            QVERIFY(p_.ui.Messages().empty());
            QCOMPARE(RunCli(QStringList{"csv", wvf_, "-o", cli} + r.cli), 0);
            QVERIFY(!ReadAll(menu).isEmpty());
            QCOMPARE(ReadAll(menu), ReadAll(cli));
        }
        // A source named in upper case is passed over without a word.
        const QString upper = p_.File("UP.WVF");
        QVERIFY(QFile::copy(wvf_, upper));
        p_.ui.Clear();
        p_.ui.QueueFileName(upper);
        p_.ui.QueueFileName(p_.File("never.csv"));
        QVERIFY(f.RunCommand(cmd::kConvertCsv));
        QCOMPARE(p_.ui.FileRequests().size(), size_t(1));
        QVERIFY(p_.ui.Messages().empty() && !QFile::exists(p_.File("never.csv")));
    }

    void zoomRangeTakesTheZoomWindowsTracesAndStretch() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf_));
        DisplayModel& m = p_.app->Model();
        m.mainOnOff[1] = kTraceOff;  // CH2 only in the Zoom window
        m.zoom.onOff[0] = kTraceOff;
        const int64_t span = m.zoom.SpanOf(m.document.recordLength);
        QVERIFY(span > 0 && 1000 + span <= m.document.recordLength);
        const QString all = p_.File("all.csv"), zoom = p_.File("zoom.csv");
        for (auto [id, path] : {std::pair{cmd::kCsvAll, all}, std::pair{cmd::kCsvZoom, zoom}}) {
            m.zoom.SetZoomStart(1000);  // as if the Zoom window had last drawn from sample 1000
            p_.ui.QueueFileName(path);
            QVERIFY(f.RunCommand(id));
        }
        const QList<QByteArray> a = ReadAll(all).split('\n'), z = ReadAll(zoom).split('\n');
        QCOMPARE(a[2], QByteArray("\"TraceName\",\"CH1\",\"CH3\""));
        QCOMPARE(z[2], QByteArray("\"TraceName\",\"CH2\",\"CH3\""));
        QCOMPARE(z[3], "\"BlockSize\"," + QByteArray::number(qlonglong(span)));
        QCOMPARE(a[6], QByteArray("\"HOffset\",-0.5"));
        QCOMPARE(z[6], QByteArray("\"HOffset\",0.5"));
        QCOMPARE(qsizetype(z.size()), qsizetype(11 + span + 1));
        // The zoom rows are the All data rows from sample 1000 on, in the columns of CH3.
        QCOMPARE(z[11].split(',')[1], a[11 + 1000].split(',')[1]);

        m.shown[1] = false;  // Zoom window hidden: the command is off
        f.LayOutWindows(true);
        p_.ui.Clear();
        QVERIFY(f.RunCommand(cmd::kCsvZoom));
        QVERIFY(p_.ui.FileRequests().empty());
    }

    void convertedFilesAreThoseOfTheCli() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(rtm_));
        const std::pair<int, int> converts[] = {
            {cmd::kConvertWvfAll, 1}, {cmd::kConvertWvf100, 100}, {cmd::kConvertWvf1000, 1000}};
        const std::pair<int, int> saves[] = {{cmd::kSaveWvfAll, 1}, {cmd::kSaveWvf100, 100}, {cmd::kSaveWvf1000, 1000}};
        for (bool fromDocument : {false, true}) {
            for (auto [id, ratio] : fromDocument ? saves : converts) {
                const QString name = QStringLiteral("%1-%2").arg(fromDocument ? "save" : "convert").arg(ratio);
                const QString menu = p_.File(name + ".wvf"), cli = p_.File(name + "-cli.wvf");
                p_.ui.Clear();
                if (!fromDocument) p_.ui.QueueFileName(rtm_);
                p_.ui.QueueFileName(menu);
                QTest::qWait(100);  // redraws owed from before
                const int before = f.RedrawCount();
                QVERIFY(f.RunCommand(id));
                QVERIFY2(p_.ui.Messages().empty(), qPrintable(p_.ui.MessageTexts().join('|')));
                QCOMPARE(RunCli({"convert", rtm_, "-o", cli, "--ratio", QString::number(ratio)}), 0);
                QVERIFY(!ReadAll(menu).isEmpty());
                QCOMPARE(ReadAll(menu), ReadAll(cli));
                QCOMPARE(ReadAll(p_.File(name + ".hdr")), ReadAll(p_.File(name + "-cli.hdr")));
                if (fromDocument) QCOMPARE(f.RedrawCount(), before);  // nothing is redrawn after a save
            }
        }
        // The open record still reads as before: region and byte order are back.
        QVERIFY(f.OpenPath(rtm_));

        // A non-empty target is refused with the program's message and left alone.
        const QString taken = p_.File("taken.wvf");
        QVERIFY(WriteAll(taken, "data"));
        p_.ui.Clear();
        p_.ui.QueueFileName(taken);
        QVERIFY(f.RunCommand(cmd::kSaveWvf100));
        QCOMPARE(p_.ui.MessageTexts(), QStringList{"File already exists."});
        QCOMPARE(p_.ui.Messages()[0].caption, QStringLiteral("ERROR"));
        QCOMPARE(p_.ui.Messages()[0].icon, MsgIcon::Exclamation);
        QCOMPARE(ReadAll(taken), QByteArray("data"));
        QVERIFY(!QFile::exists(p_.File("taken.hdr")));
    }

    // Unreadable sources, unwritable targets and a full disk: a message, no
    // partial file, an older file untouched.
    void failedWritesAreReportedAndLeaveNothing() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf_));
        const QString lonely = p_.File("lonely.wvf");  // no header beside it
        QVERIFY(WriteAll(lonely, QByteArray(64, '\0')));
        const QString lonelyRtm = p_.File("lonely.rtm");
        QVERIFY(WriteAll(lonelyRtm, QByteArray(64, '\0')));
        struct Row {
            int id;
            QStringList answers;
        };
        const QString missingFolder = p_.File("no/such/folder/out");
        const Row rows[] = {
            {cmd::kConvertCsv, {lonely}},
            {cmd::kConvertWvfAll, {lonelyRtm}},
            {cmd::kCsvAll, {missingFolder + ".csv"}},
            {cmd::kBmpAll, {missingFolder + ".bmp"}},
            {cmd::kBmpZoom, {missingFolder + ".png"}},
            {cmd::kConvertWvf100, {rtm_, missingFolder + ".wvf"}},
        };
        for (const Row& r : rows) {
            p_.ui.Clear();
            for (const QString& a : r.answers) p_.ui.QueueFileName(a);
            QVERIFY(f.RunCommand(r.id));
            QVERIFY2(p_.ui.Messages().size() == 1, qPrintable(QString::number(r.id)));
            QCOMPARE(p_.ui.Messages()[0].caption, QStringLiteral("ERROR"));
            QVERIFY(!QDir(p_.File("no")).exists());
        }

        const QString older = p_.File("full.csv");
        QVERIFY(WriteAll(older, "older file"));
        const QStringList before = Entries(p_.dir.path());
        {
            FileSizeLimit limit(4096);
            p_.ui.Clear();
            p_.ui.QueueFileName(older);
            p_.ui.QueueAnswer(MsgAnswer::Ok);
            QVERIFY(f.RunCommand(cmd::kCsvAll));
        }
        QCOMPARE(p_.ui.Messages().size(), size_t(2));
        QVERIFY(p_.ui.Messages()[1].text.startsWith("The CSV file was not written."));
        QCOMPARE(ReadAll(older), QByteArray("older file"));
        QCOMPARE(Entries(p_.dir.path()), before);
    }

    void cancelledWorkLeavesNothing() {
        QTemporaryDir big;
        const QString wvf = MakeWvf(big.path(), "big.wvf", 8, 4'000'000);
        const QString rtm = MakeRtm(big.path(), "big.rtm", 4'000'000);
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf));
        const QString older = big.path() + "/older.csv";
        QVERIFY(WriteAll(older, "older file"));
        struct Row {
            int id;
            QStringList answers;
        };
        const Row rows[] = {
            {cmd::kCsvAll, {big.path() + "/new.csv"}},
            {cmd::kCsvAll, {older}},
            {cmd::kConvertCsv, {wvf, big.path() + "/converted.csv"}},
            {cmd::kConvertWvfAll, {rtm, big.path() + "/converted.wvf"}},
        };
        const QStringList before = Entries(big.path());
        for (const Row& r : rows) {
            p_.ui.Clear();
            for (const QString& a : r.answers) p_.ui.QueueFileName(a);
            CancelWhenBusy cancel(f);
            QVERIFY(f.RunCommand(r.id));
            QVERIFY(cancel.Clicked());
            QVERIFY2(p_.ui.MessageTexts() == (r.answers.back() == older ? QStringList{kExistsQuestion} : QStringList{}),
                     qPrintable(p_.ui.MessageTexts().join('|')));
            QVERIFY(f.statusBar()->currentMessage().contains("cancelled"));
            QCOMPARE(Entries(big.path()), before);
            QCOMPARE(ReadAll(older), QByteArray("older file"));
        }
        // The document reads as before after a cancelled save from it.
        QVERIFY(f.OpenPath(rtm));
        p_.ui.Clear();
        p_.ui.QueueFileName(big.path() + "/saved.wvf");
        {
            CancelWhenBusy cancel(f);
            QVERIFY(f.RunCommand(cmd::kSaveWvfAll));
            QVERIFY(cancel.Clicked());
        }
        QCOMPARE(Entries(big.path()), before);
        p_.ui.QueueFileName(big.path() + "/saved.wvf");
        QVERIFY(f.RunCommand(cmd::kSaveWvf1000));
        QVERIFY(p_.ui.Messages().empty());
        QVERIFY(QFile::exists(big.path() + "/saved.hdr"));
    }

    void savedImagesAreWhatTheScreenShows() {
        CMainFrame& f = p_.Frame();
        QVERIFY(f.OpenPath(wvf_));
        p_.app->Model().SetLightMode(true);  // the display's 0xF7 white fills the windows
        struct Row {
            int id;
            std::optional<WindowId> window;
        };
        const Row rows[] = {{cmd::kBmpMain, WindowId::Main},
                            {cmd::kBmpZoom, WindowId::Zoom},
                            {cmd::kBmpHistory, WindowId::History},
                            {cmd::kBmpXy, WindowId::Xy},
                            {cmd::kBmpAll, std::nullopt}};
        for (const Row& r : rows) {
            const QString bmp = p_.File(QStringLiteral("w%1.bmp").arg(r.id)),
                          png = p_.File(QStringLiteral("w%1.PNG").arg(r.id));
            p_.ui.Clear();
            p_.ui.QueueFileName(bmp);
            QVERIFY(f.RunCommand(r.id));
            p_.ui.QueueFileName(png);
            QVERIFY(f.RunCommand(r.id));
            QVERIFY(p_.ui.Messages().empty());
            QWidget& shownWidget =
                r.window ? static_cast<QWidget&>(f.Area().Window(*r.window)) : static_cast<QWidget&>(f);
            const QImage shown = shownWidget.grab().toImage();

            const QByteArray bytes = ReadAll(bmp);
            QVERIFY(bytes.startsWith("BM"));
            QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 28), quint16(8));  // 8 bits per pixel
            const QImage saved = Decode(bmp);
            QCOMPARE(Differences(Decode(png), shown), 0);  // a PNG keeps every colour
            QCOMPARE(QImageReader(png).format(), QByteArray("png"));

            // The colour table lists the screen's colours as the stored rows meet
            // them, bottom row first; those are stored exactly. Past 256 colours
            // (smoothed text in the panels) the rest get the nearest listed one.
            const int colours = int(qFromLittleEndian<quint32>(bytes.constData() + 46));
            const QImage screen = shown.convertToFormat(QImage::Format_RGB32);
            QVector<QRgb> order;
            for (int y = screen.height() - 1; y >= 0 && order.size() < 256; --y)
                for (int x = 0; x < screen.width() && order.size() < 256; ++x)
                    if (const QRgb c = screen.pixel(x, y) | 0xFF000000; !order.contains(c)) order.push_back(c);
            QCOMPARE(colours, int(order.size()));
            QSet<QRgb> listed;
            for (int i = 0; i < colours; ++i) {
                const auto* e = reinterpret_cast<const uchar*>(bytes.constData()) + 54 + 4 * i;
                QCOMPARE(qRgb(e[2], e[1], e[0]), Cleaned(order[i]));
                QVERIFY2(qRgb(e[2], e[1], e[0]) != qRgb(0xF7, 0xF7, 0xF7), "the display white is stored as 0xFF");
                listed.insert(order[i]);
            }
            QCOMPARE(Differences(saved, shown, listed), 0);
            if (colours < 256) QCOMPARE(Differences(saved, shown), 0);
            if (r.window) QVERIFY2(Contains(shown, qRgb(0xF7, 0xF7, 0xF7)), "the window shows the display white");
            if (!r.window) {
                // The whole frame: its menu bar where the screen has it.
                const QRect bar = f.menuBar()->geometry();
                QCOMPARE(Differences(Decode(png).copy(bar), f.menuBar()->grab().toImage()), 0);
                QCOMPARE(Differences(saved.copy(bar), f.menuBar()->grab().toImage(), listed), 0);
                QCOMPARE(saved.size(), f.size());
            }
        }
    }

private:
    const QString wvf_ = SharedRecords().wvf, rtm_ = SharedRecords().rtm;
    ProgramFixture p_;
};

QTEST_MAIN(ExportCommandsTest)
#include "ExportCommandsTest.moc"
