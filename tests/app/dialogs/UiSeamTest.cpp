// The real seam (QMessageBox, QFileDialog) driven offscreen, the filter
// conversion, the scripted seam and the painted icons.
#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <set>

#include "CScriptedUi.h"
#include "WidgetChecks.h"
#include "app/ui/CIcons.h"
#include "app/ui/CQtUiSeam.h"

using namespace kivelo::app;
using kivelo::app::test::OnModal;
using kivelo::app::test::SaveGrabIfAsked;

namespace {

const IconId kAllIcons[] = {
    IconId::GraticuleDots,      IconId::GraticuleTicks, IconId::GraticuleCross, IconId::MouseCursors,
    IconId::MouseCursorsHidden, IconId::MouseMove,      IconId::MouseZoom,      IconId::LightMode,
    IconId::Snapshot,           IconId::RollStart,      IconId::RollStop,       IconId::RollEnd,
    IconId::ZoomRatioIn,        IconId::ZoomRatioOut,   IconId::HistorySmall,   IconId::HistoryMedium,
    IconId::HistoryLarge,
};

int OpaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
    return n;
}

}  // namespace

class UiSeamTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Kivelo")); }
    void filterConversion_data();
    void filterConversion();
    void qtReadsConvertedFilters();
    void defaultSuffix();
    void messageBox();
    void messageBoxOkCancel();
    void openDialog();
    void saveDialog();
    void iconsAtEverySize();
    void iconsDiffer();
    void iconSheet();
};

void UiSeamTest::filterConversion_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("qt");
    QTest::newRow("open, three kinds")
        << "Orvantis File (*.wvf)|*.wvf|Realtime File (*.rtm)|*.rtm|Floating File (*.fld)|*.fld||"
        << "Orvantis File (*.wvf);;Realtime File (*.rtm);;Floating File (*.fld)";
    // clang-format off
    QTest::newRow("one kind") << "Ascii FIle (*.csv)|*.csv||" << "Ascii FIle (*.csv)";
    QTest::newRow("no closing bars") << "Image file (*.bmp)|*.bmp" << "Image file (*.bmp)";
    QTest::newRow("name differs in case only") << "Data (*.WVF)|*.wvf||" << "Data (*.WVF)";
    QTest::newRow("name without patterns") << "Waveforms|*.wvf;*.rtm||" << "Waveforms (*.wvf *.rtm)";
    QTest::newRow("name with other patterns") << "Wave (*.wvf)|*.wvf;*.rtm||" << "Wave (*.wvf) (*.wvf *.rtm)";
    QTest::newRow("pattern list in either order") << "Both (*.rtm;*.wvf)|*.wvf;*.rtm||" << "Both (*.rtm;*.wvf)";
    QTest::newRow("no pattern matches all") << "Everything||" << "Everything (*)";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("bars only") << "||" << "";
    // clang-format on
}

void UiSeamTest::filterConversion() {
    QFETCH(QString, program);
    QFETCH(QString, qt);
    QCOMPARE(QtFileFilter(program), qt);
}

void UiSeamTest::qtReadsConvertedFilters() {
    // Qt splits the converted text into the same filters and filters by the right patterns.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QtFileFilter(QStringLiteral("Orvantis File (*.wvf)|*.wvf|Realtime File (*.rtm)|*.rtm||")));
    QCOMPARE(dialog.nameFilters(),
             (QStringList{QStringLiteral("Orvantis File (*.wvf)"), QStringLiteral("Realtime File (*.rtm)")}));
}

void UiSeamTest::defaultSuffix() {
    QCOMPARE(WithDefaultSuffix(QStringLiteral("/tmp/rec"), QStringLiteral("WVF")), QStringLiteral("/tmp/rec.wvf"));
    QCOMPARE(WithDefaultSuffix(QStringLiteral("/tmp/rec.WVF"), QStringLiteral("wvf")), QStringLiteral("/tmp/rec.WVF"));
    QCOMPARE(WithDefaultSuffix(QStringLiteral("/tmp/rec.csv"), QStringLiteral("wvf")), QStringLiteral("/tmp/rec.csv"));
    QCOMPARE(WithDefaultSuffix(QStringLiteral("/tmp/a.d/rec"), QStringLiteral("csv")),
             QStringLiteral("/tmp/a.d/rec.csv"));
    QCOMPARE(WithDefaultSuffix(QStringLiteral("/tmp/rec"), QStringLiteral(".bmp")), QStringLiteral("/tmp/rec.bmp"));
    QCOMPARE(WithDefaultSuffix(QStringLiteral("/tmp/rec"), QString()), QStringLiteral("/tmp/rec"));
    QCOMPARE(WithDefaultSuffix(QString(), QStringLiteral("wvf")), QString());
}

void UiSeamTest::messageBox() {
    CQtUiSeam seam;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    OnModal([&](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        SaveGrabIfAsked(*box, QStringLiteral("message-invalid-value"));
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(seam.Message(nullptr, QStringLiteral("Invalid Value"), QString(), MsgIcon::Exclamation), MsgAnswer::Ok);
    QCOMPARE(title, QStringLiteral("Kivelo"));  // no title of its own: the program's
    QCOMPARE(text, QStringLiteral("Invalid Value"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, 1);

    OnModal([&](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        title = box->windowTitle();
        icon = box->icon();
        QTest::keyClick(box, Qt::Key_Escape);  // Escape on an OK box answers OK
    });
    QCOMPARE(seam.Message(nullptr, QStringLiteral("Done."), QStringLiteral("INFO"), MsgIcon::Information),
             MsgAnswer::Ok);
    QCOMPARE(title, QStringLiteral("INFO"));
    QCOMPARE(icon, QMessageBox::Information);
}

void UiSeamTest::messageBoxOkCancel() {
    CQtUiSeam seam;
    OnModal([](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        QVERIFY(box->button(QMessageBox::Cancel));
        QCOMPARE(box->icon(), QMessageBox::Question);
        SaveGrabIfAsked(*box, QStringLiteral("message-ok-cancel"));
        box->button(QMessageBox::Cancel)->click();
    });
    QCOMPARE(seam.Message(nullptr, QStringLiteral("File already exists.\nOverwrite?"), QStringLiteral("ERROR"),
                          MsgIcon::Question, MsgButtons::OkCancel),
             MsgAnswer::Cancel);
    OnModal([](QWidget& modal) { qobject_cast<QMessageBox*>(&modal)->button(QMessageBox::Ok)->click(); });
    QCOMPARE(seam.Message(nullptr, QStringLiteral("Go on?"), QString(), MsgIcon::None, MsgButtons::OkCancel),
             MsgAnswer::Ok);
    OnModal([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Escape); });
    QCOMPARE(seam.Message(nullptr, QStringLiteral("Go on?"), QString(), MsgIcon::None, MsgButtons::OkCancel),
             MsgAnswer::Cancel);
}

void UiSeamTest::openDialog() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("rec.wvf"));
    QFile(existing).open(QIODevice::WriteOnly);

    CQtUiSeam seam;
    FileDialogRequest request;
    request.title = QStringLiteral("Open  WVF file (*.wvf) or RTM file (*.rtm)");
    request.filter = QStringLiteral("Orvantis File (*.wvf)|*.wvf|Realtime File (*.rtm)|*.rtm||");
    request.defaultSuffix = QStringLiteral("WVF");
    request.mustExist = true;
    request.initialName = existing;
    OnModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), request.title);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("wvf"));
        QCOMPARE(dialog->nameFilters().size(), 2);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as its Open/Save button
    });
    QCOMPARE(seam.FileName(nullptr, request), std::optional<QString>(existing));

    OnModal([](QWidget& modal) { qobject_cast<QFileDialog*>(&modal)->reject(); });
    QCOMPARE(seam.FileName(nullptr, request), std::optional<QString>());
}

void UiSeamTest::saveDialog() {
    QTemporaryDir dir;
    CQtUiSeam seam;
    FileDialogRequest request;
    request.save = true;
    request.filter = QStringLiteral("Ascii FIle (*.csv)|*.csv||");
    request.defaultSuffix = QStringLiteral("csv");
    request.initialName = dir.filePath(QStringLiteral("export"));
    OnModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
        QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));  // the program asks itself
        QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("Ascii FIle (*.csv)")});
        SaveGrabIfAsked(*dialog, QStringLiteral("file-dialog-save"));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as its Open/Save button
    });
    QCOMPARE(seam.FileName(nullptr, request), std::optional<QString>(dir.filePath(QStringLiteral("export.csv"))));
}

void UiSeamTest::iconsAtEverySize() {
    std::vector<QIcon> icons{ProgramIcon()};
    for (IconId id : kAllIcons) icons.push_back(KiveloIcon(id));
    for (const QIcon& icon : icons) {
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        for (int side : {16, 24, 32, 48, 64}) {
            const QPixmap pm = icon.pixmap(QSize(side, side), 1.0);
            QCOMPARE(pm.size(), QSize(side, side));
            const QImage image = pm.toImage();
            // Something is drawn, and not a filled square.
            const int opaque = OpaquePixels(image);
            QVERIFY2(opaque > side * side / 10, qPrintable(QStringLiteral("%1 at %2").arg(icon.name()).arg(side)));
            // Disabled differs from normal.
            QVERIFY(icon.pixmap(QSize(side, side), 1.0, QIcon::Disabled).toImage() != image);
        }
        // Scaled screens get device-resolution pixmaps.
        const QPixmap hi = icon.pixmap(QSize(24, 24), 2.0);
        QCOMPARE(hi.size(), QSize(48, 48));
        QCOMPARE(hi.devicePixelRatio(), 2.0);
    }
}

void UiSeamTest::iconsDiffer() {
    for (int side : {16, 32}) {
        std::vector<QImage> images;
        for (IconId id : kAllIcons) images.push_back(KiveloIcon(id).pixmap(QSize(side, side), 1.0).toImage());
        for (size_t i = 0; i < images.size(); ++i)
            for (size_t j = i + 1; j < images.size(); ++j)
                QVERIFY2(images[i] != images[j], qPrintable(QString::number(i)));
    }
}

void UiSeamTest::iconSheet() {
    // A sheet of every icon at every size, light and dark buttons, normal and
    // disabled, to look at (KIVELO_UI_PNG_DIR).
    const QString dir = qEnvironmentVariable("KIVELO_UI_PNG_DIR");
    if (dir.isEmpty()) QSKIP("set KIVELO_UI_PNG_DIR to write the icon sheet");
    std::vector<QIcon> icons{ProgramIcon()};
    for (IconId id : kAllIcons) icons.push_back(KiveloIcon(id));
    const int sizes[] = {16, 24, 32, 48, 64};
    const int cell = 72;
    QImage sheet(cell * 7 + 10, static_cast<int>(icons.size()) * cell + 10, QImage::Format_ARGB32);
    sheet.fill(QColor(0xef, 0xef, 0xef));
    QPainter p(&sheet);
    for (size_t row = 0; row < icons.size(); ++row) {
        const int y = 5 + static_cast<int>(row) * cell;
        for (int c = 0; c < 5; ++c) {
            const int s = sizes[c];
            p.drawPixmap(5 + c * cell + (cell - s) / 2, y + (cell - s) / 2, icons[row].pixmap(QSize(s, s), 1.0));
        }
        p.drawPixmap(5 + 5 * cell + 20, y + 20, icons[row].pixmap(QSize(32, 32), 1.0, QIcon::Disabled));
        p.fillRect(5 + 6 * cell, y, cell, cell, QColor(0x35, 0x38, 0x3c));
        p.drawPixmap(5 + 6 * cell + 20, y + 20, icons[row].pixmap(QSize(32, 32), 1.0));
    }
    p.end();
    QDir().mkpath(dir);
    QVERIFY(sheet.save(QDir(dir).filePath(QStringLiteral("icon-sheet.png"))));

    // The small sizes magnified four times, pixel for pixel.
    QImage zoom(4 * (16 + 24 + 16) + 20, static_cast<int>(icons.size()) * 4 * 26 + 10, QImage::Format_ARGB32);
    zoom.fill(QColor(0xef, 0xef, 0xef));
    QPainter z(&zoom);
    for (size_t row = 0; row < icons.size(); ++row) {
        const int y = 5 + static_cast<int>(row) * 4 * 26;
        z.drawImage(QRect(5, y, 64, 64), icons[row].pixmap(QSize(16, 16), 1.0).toImage());
        z.drawImage(QRect(5 + 4 * 20, y, 96, 96), icons[row].pixmap(QSize(24, 24), 1.0).toImage());
    }
    z.end();
    QVERIFY(zoom.save(QDir(dir).filePath(QStringLiteral("icon-sheet-zoom.png"))));
}

QTEST_MAIN(UiSeamTest)
#include "UiSeamTest.moc"
