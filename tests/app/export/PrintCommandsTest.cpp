// Printing driven through Qt's own print, preview and setup dialogs on a
// machine without printers: pages go to PDF files, which are read back with
// poppler's tools to find where the parts of the page went and what the
// picture in it holds.
// Then the print format dialog with its settings, and kivelo-cli print.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

#include "ExportFixture.h"
#include "WidgetChecks.h"
#include "app/core/CommandTable.h"
#include "app/export/CPrintCommands.h"
#include "app/export/CPrintFormatDialog.h"
#include "app/windows/CWindowArea.h"

using namespace kivelo;
using namespace kivelo::app;
using namespace kivelo::app::test;

namespace {

struct Word {
    QString text;
    double x = 0, y = 0;  // top-left, points
};

// The words of a PDF's first page with their boxes.
QList<Word> Words(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    p.waitForFinished(60000);
    QList<Word> words;
    static const QRegularExpression re(
        QString::fromLatin1(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
    for (auto m = re.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); m.hasNext();) {
        const auto match = m.next();
        words.push_back({match.captured(3), match.captured(1).toDouble(), match.captured(2).toDouble()});
    }
    return words;
}

// The first page rendered at `dpi`.
QImage Render(const QString& pdf, int dpi) {
    QTemporaryDir dir;
    QProcess::execute(QStringLiteral("pdftoppm"), {"-png", "-r", QString::number(dpi), "-f", "1", "-l", "1",
                                                   "-singlefile", pdf, dir.filePath("page")});
    return QImage(dir.filePath("page.png")).convertToFormat(QImage::Format_RGB32);
}

// The picture the first page holds, as stored in the PDF.
QImage EmbeddedPicture(const QString& pdf) {
    QTemporaryDir dir;
    QProcess::execute(QStringLiteral("pdfimages"), {"-png", "-f", "1", "-l", "1", pdf, dir.filePath("image")});
    return QImage(dir.filePath("image-000.png")).convertToFormat(QImage::Format_RGB32);
}

int Pages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(60000);
    const auto m = QRegularExpression(QString::fromLatin1(R"(Pages:\s+(\d+))"))
                       .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

bool Dark(QRgb c) { return qGray(c) < 64; }

// Runs `act` once on the first modal dialog of type T that opens.
template <typename T>
class OnModalDialog {
public:
    explicit OnModalDialog(std::function<void(T&)> act) : act_(std::move(act)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (done_) return;
            if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
                done_ = true;
                act_(*d);
            }
        });
        timer_.start();
    }
    bool Done() const { return done_; }

private:
    std::function<void(T&)> act_;
    QTimer timer_;
    bool done_ = false;
};

}  // namespace

class PrintCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        for (const char* tool : {"pdftotext", "pdftoppm", "pdfimages", "pdfinfo"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP("poppler's PDF tools are needed (scripts/setup installs them)");
    }
    void init() {
        p_.Start();
        QVERIFY(p_.Frame().OpenPath(wvf_));
        print_ = p_.Frame().findChild<CPrintCommands*>();
        QVERIFY(print_);
        // A sheet the page fits on at the plain resolution ratio, printed edge to edge.
        print_->Printer().setPageSize(QPageSize(QPageSize::A3));
        print_->Printer().setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
    void cleanup() { p_.Stop(); }

    void formatDialogKeepsRecentTexts() {
        CMainFrame& f = p_.Frame();
        CPrintFormatDialog& d = print_->FormatDialog();
        QVERIFY(!d.isVisible());
        QCOMPARE(print_->Notes(), std::string(CPrintCommands::kInitialNotes));
        QVERIFY(f.RunCommand(cmd::kPrintFormat));
        QVERIFY(d.isVisible());
        QCOMPARE(d.geometry(), QRect(f.geometry().topLeft() + QPoint(50, 150), QSize(580, 260)));
        QCOMPARE(d.windowTitle(), QStringLiteral("Print Format"));
        QVERIFY2(ControlsWithoutAccessibleName(d).isEmpty(), qPrintable(ControlsWithoutAccessibleName(d).join(", ")));
        for (const char* id : {"id1062", "id1063", "id1064", "idOK", "idCANCEL"}) QVERIFY(d.findChild<QWidget*>(id));
        QCOMPARE(d.NotesText(), QString::fromLatin1(CPrintCommands::kInitialNotes));

        auto enter = [&](const QString& header, const QString& footer, const char* button) {
            QVERIFY(f.RunCommand(cmd::kPrintFormat));
            d.HeaderList().setEditText(header);
            d.FooterList().setEditText(footer);
            d.findChild<QPushButton*>(button)->click();
            QVERIFY(!d.isVisible());
        };
        for (int i = 1; i <= 17; ++i) enter(QStringLiteral("H%1").arg(i), QStringLiteral("F"), "idOK");
        std::vector<std::string> expected;
        for (int i = 17; i >= 2; --i) expected.push_back("H" + std::to_string(i));
        QCOMPARE(print_->Headers().Entries(), expected);                       // a 17th pushes out the oldest
        QCOMPARE(print_->Footers().Entries(), std::vector<std::string>{"F"});  // no copies
        enter(QStringLiteral("H5"), QStringLiteral("F"), "idOK");
        QCOMPARE(print_->Headers().First(), std::string("H5"));
        QCOMPARE(print_->Headers().Entries().size(), size_t(16));
        enter(QStringLiteral("typed, then cancelled"), QStringLiteral("x"), "idCANCEL");
        QCOMPARE(print_->Headers().First(), std::string("H5"));
        // Opening the dialog shows the lists' first entries.
        QVERIFY(f.RunCommand(cmd::kPrintFormat));
        QCOMPARE(d.HeaderText(), QStringLiteral("H5"));
        QCOMPARE(d.HeaderList().count(), 16);

        d.NotesEdit().setPlainText(QString(1100, QLatin1Char('n')));
        QCOMPARE(d.NotesText().size(), qsizetype(1024));
        d.NotesEdit().setPlainText(QStringLiteral("first\nsecond"));
        d.findChild<QPushButton*>("idOK")->click();
        QCOMPARE(f.Settings().ListEntry(SettingsList::Header, 0), std::string("H5"));
        QCOMPARE(f.Settings().ListEntry(SettingsList::Header, 15), std::string("H2"));

        // Lists and notes come back at the next start.
        QVERIFY(p_.app->SaveSettings());
        p_.Start();
        p_.app->LoadSettings();
        auto* again = p_.Frame().findChild<CPrintCommands*>();
        QCOMPARE(again->Headers().Entries().size(), size_t(16));
        QCOMPARE(again->Headers().First(), std::string("H5"));
        QCOMPARE(again->Notes(), std::string("first\nsecond"));
        QCOMPARE(again->FormatDialog().NotesText(), QStringLiteral("first\nsecond"));
        QCOMPARE(again->FormatDialog().HeaderList().count(), 16);
    }

    // The print dialog offers a PDF file when no printer is installed; the
    // page is found where it belongs at 0.01 inch per screen pixel.
    void printToPdfPutsEachPartInItsPlace() {
        const QString pdf = p_.File("page.pdf");
        QPrinter& printer = print_->Printer();
        QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        SetTexts("Header text", "Footer text", "note one\nnote two\nnote three");
        const QSize picture = p_.Frame().Area().size();
        const int ratio = printer.resolution() / p_.Frame().logicalDpiX();
        QVERIFY(ratio >= 2);

        OnModalDialog<QPrintDialog> accept([](QPrintDialog& d) { d.accept(); });
        QVERIFY(p_.Frame().RunCommand(cmd::kPrint));
        QVERIFY(accept.Done());
        QVERIFY2(p_.ui.Messages().empty(), qPrintable(p_.ui.MessageTexts().join('|')));
        QCOMPARE(Pages(pdf), 1);
        QVERIFY(!print_->Picture());

        // Points per screen pixel of the picture.
        const double pt = 72.0 * ratio / printer.resolution();
        const double H = picture.height(), W = picture.width();
        const QList<Word> words = Words(pdf);
        // A word at (x, y) screen pixels of the page; x < 0: anywhere on that line.
        auto at = [&](const QString& text, double x, double y) {
            return std::any_of(words.begin(), words.end(), [&](const Word& w) {
                return w.text == text && (x < 0 || qAbs(w.x - x * pt) < 3) && qAbs(w.y - y * pt) < 3;
            });
        };
        QVERIFY(at("Header", 60, 60));
        QVERIFY(at("Footer", 60, 1060));
        QVERIFY(at("one", -1, H + 110) && at("two", -1, H + 130) && at("three", -1, H + 150));
        QVERIFY(at("note", 60, H + 150));

        // One image pixel per screen pixel: the frame's four lines around the picture.
        const QImage page = Render(pdf, printer.resolution() / ratio);
        for (int y = 89; y <= H + 90; ++y)
            QVERIFY2(Dark(page.pixel(59, y)) && Dark(page.pixel(W + 61, y)), qPrintable(QString::number(y)));
        for (int x = 59; x <= W + 60; ++x)
            QVERIFY2(Dark(page.pixel(x, 89)) && Dark(page.pixel(x, H + 91)), qPrintable(QString::number(x)));
        QVERIFY(!Dark(page.pixel(58, 200)) && !Dark(page.pixel(W + 62, 200)) && !Dark(page.pixel(200, 88)));

        // Empty texts print no lines at all.
        const QString empty = p_.File("empty.pdf");
        printer.setOutputFileName(empty);
        SetTexts("", "", "");
        OnModalDialog<QPrintDialog> again([](QPrintDialog& d) { d.accept(); });
        QVERIFY(p_.Frame().RunCommand(cmd::kPrint));
        QCOMPARE(Pages(empty), 1);
        QVERIFY(Words(empty).isEmpty());
    }

    void cancelledPrintDialogPrintsNothing() {
        const QString pdf = p_.File("cancelled.pdf");
        print_->Printer().setOutputFileName(pdf);
        OnModalDialog<QPrintDialog> reject([](QPrintDialog& d) { d.reject(); });
        const int before = p_.Frame().RedrawCount();
        QVERIFY(p_.Frame().RunCommand(cmd::kPrint));
        QVERIFY(reject.Done());
        QVERIFY(!QFile::exists(pdf) && !print_->Picture());
        QTest::qWait(150);
        QVERIFY(p_.Frame().RedrawCount() > before);
    }

    // Black and white on a printer without colour, the clean-up on a colour
    // one; every print takes a new picture of the screen.
    void coloursFollowThePrinterAndEveryPrintRecaptures() {
        struct Row {
            bool light;
            QPrinter::ColorMode mode;
        };
        const Row rows[] = {{false, QPrinter::Color},
                            {true, QPrinter::Color},
                            {true, QPrinter::GrayScale},
                            {false, QPrinter::GrayScale}};
        QList<QImage> pictures;
        for (const Row& r : rows) {
            p_.app->Model().SetLightMode(r.light);
            const QString pdf = p_.File(QStringLiteral("colours%1%2.pdf").arg(r.light).arg(int(r.mode)));
            print_->Printer().setOutputFileName(pdf);
            print_->Printer().setColorMode(r.mode);
            OnModalDialog<QPrintDialog> accept([](QPrintDialog& d) { d.accept(); });
            QVERIFY(p_.Frame().RunCommand(cmd::kPrint));
            QCOMPARE(print_->Printer().colorMode(), r.mode);
            const QImage picture = EmbeddedPicture(pdf);
            QCOMPARE(picture.size(), p_.Frame().Area().size());
            int grey = 0, displayWhite = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QRgb c = picture.pixel(x, y);
                    grey += c != qRgb(0, 0, 0) && c != qRgb(0xFF, 0xFF, 0xFF);
                    displayWhite += qRed(c) == 0xF7 && qGreen(c) == 0xF7 && qBlue(c) == 0xF7;
                }
            QCOMPARE(displayWhite, 0);  // near white always prints white
            if (r.mode == QPrinter::GrayScale) QVERIFY2(grey == 0, qPrintable(QString::number(grey)));
            pictures.push_back(picture);
        }
        // Dark and light mode were captured anew: their pictures differ.
        QVERIFY(pictures[0] != pictures[1]);
        QVERIFY(pictures[2] != pictures[3]);
    }

    void previewHidesTheWindowsWhileItRuns() {
        CMainFrame& f = p_.Frame();
        QWidget* panel = f.findChild<QWidget*>(QStringLiteral("toolbarPanel"));
        QVERIFY(panel && panel->isVisible());
        bool hidden = false;
        OnModalDialog<QPrintPreviewDialog> close([&](QPrintPreviewDialog& d) {
            hidden = print_->Previewing() && print_->Picture() && !panel->isVisible();
            for (int i = 0; i < kWindowCount; ++i) hidden = hidden && !f.Area().Window(WindowId(i)).isVisible();
            d.reject();
        });
        QVERIFY(f.RunCommand(cmd::kPrintPreview));
        QVERIFY(close.Done());
        QVERIFY(hidden);
        QVERIFY(!print_->Previewing() && !print_->Picture());
        QVERIFY(panel->isVisible());
        for (int i = 0; i < kWindowCount; ++i) QVERIFY(f.Area().Window(WindowId(i)).isVisible());
    }

    void printSetupUsesThePrinterOfPrint() {
        OnModalDialog<QPageSetupDialog> close([](QPageSetupDialog& d) {
            d.printer()->setPageOrientation(QPageLayout::Landscape);
            d.reject();
        });
        QVERIFY(p_.Frame().RunCommand(cmd::kPrintSetup));
        QVERIFY(close.Done());
        QCOMPARE(print_->Printer().pageLayout().orientation(), QPageLayout::Landscape);
    }

    void cliPrintWritesOnePageOrNothing() {
        const QString pdf = p_.File("cli.pdf");
        struct Row {
            QStringList args;
            int code;
        };
        const Row usage[] = {
            {{"print", wvf_}, 2},
            {{"print", wvf_, "-o", p_.File("cli.txt")}, 2},
            {{"print", wvf_, "-o", pdf, "--size", "100x100"}, 2},
            {{"print", wvf_, "-o", pdf, "--landscape"}, 2},
            {{"print", p_.File("missing.wvf"), "-o", pdf}, 1},
            {{"print", wvf_, "-o", p_.File("no/folder/cli.pdf")}, 1},
        };
        for (const Row& r : usage) {
            QCOMPARE(RunCli(r.args), r.code);
            QVERIFY(!QFile::exists(pdf));
        }
        const QStringList args{"print", wvf_,      "-o",     pdf,      "--header", "HEAD",   "--footer",
                               "FOOT",  "--notes", "n1\nn2", "--size", "800x600",  "--light"};
        QCOMPARE(RunCli(args), 0);
        QCOMPARE(Pages(pdf), 1);
        QStringList texts;
        for (const Word& w : Words(pdf)) texts << w.text;
        QCOMPARE(texts, (QStringList{"HEAD", "n1", "n2", "FOOT"}));
        const QByteArray first = ReadAll(pdf);
        QCOMPARE(RunCli({"print", wvf_, "-o", pdf}), 3);  // kept
        QCOMPARE(ReadAll(pdf), first);
        QCOMPARE(RunCli({"print", wvf_, "-o", pdf, "--force"}), 0);
        QVERIFY(ReadAll(pdf) != first);
        QVERIFY(Words(pdf).isEmpty());
    }

private:
    void SetTexts(const QString& header, const QString& footer, const QString& notes) {
        CPrintFormatDialog& d = print_->FormatDialog();
        QVERIFY(p_.Frame().RunCommand(cmd::kPrintFormat));
        d.HeaderList().setEditText(header);
        d.FooterList().setEditText(footer);
        d.NotesEdit().setPlainText(notes);
        d.findChild<QPushButton*>("idOK")->click();
    }

    const QString wvf_ = SharedRecords().wvf;
    ProgramFixture p_;
    CPrintCommands* print_ = nullptr;
};

QTEST_MAIN(PrintCommandsTest)
#include "PrintCommandsTest.moc"
