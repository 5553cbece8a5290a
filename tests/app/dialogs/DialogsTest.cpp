// The value dialogs, the trace selection and the About box, driven through
// their controls with a scripted seam.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <utility>
#include <vector>

#include "CScriptedUi.h"
#include "WidgetChecks.h"
#include "app/dialogs/CAboutBox.h"
#include "app/dialogs/CScaleDialog.h"
#include "app/dialogs/CTraceSelectDialog.h"
#include "app/dialogs/CZoomPositionDialog.h"

using namespace kivelo::app;
using kivelo::OnOffTable;
using kivelo::app::test::OnModal;
using kivelo::app::test::SaveGrabIfAsked;

namespace {

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QLatin1String(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

void Click(QWidget& dialog, const char* buttonName) { Child<QPushButton>(dialog, buttonName)->click(); }

void ExpectInvalidValue(const CScriptedUi& ui, size_t count) {
    QCOMPARE(ui.Messages().size(), count);
    const CScriptedUi::MessageCall& m = ui.Messages().back();
    QCOMPARE(m.text, QStringLiteral("Invalid Value"));
    QVERIFY(m.caption.isEmpty());
    QCOMPARE(m.icon, MsgIcon::Exclamation);
    QCOMPARE(m.buttons, MsgButtons::Ok);
}

// A scale dialog whose set-trace-range answers `accept` and records its calls.
struct ScaleFixture {
    CScriptedUi ui;
    CScaleDialog dialog{ui, nullptr};
    std::vector<std::pair<double, double>> calls;
    bool accept = true;
    ScaleFixture() {
        dialog.setTraceRange = [this](double upper, double lower) {
            calls.emplace_back(upper, lower);
            return accept;
        };
    }
    void Open(const QString& upper, const QString& lower) {
        dialog.OpenAt(QPoint(120, 80), QStringLiteral("CH1"), upper, lower);
    }
};

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void scaleDialogLayout();
    void scaleDialogOk_data();
    void scaleDialogOk();
    void scaleDialogRefusedRangeStaysOpen();
    void scaleDialogTakesTypedTextsOnEnter();
    void scaleDialogDefaultClosesEvenWhenRefused();
    void scaleDialogCancelAndEscape();
    void zoomPositionDialog();
    void traceSelectionShowsTable();
    void traceSelectionResult();
    void traceSelectionChooseOkAndCancel();
    void aboutBox();
    void everyControlIsNamedAndNothingClipped();
    void widgetChecksCatchFaults();
};

void DialogsTest::scaleDialogLayout() {
    ScaleFixture f;
    QCOMPARE(Child<QLabel>(f.dialog, "id1043")->text(), QStringLiteral("CH"));
    QVERIFY(f.dialog.isHidden());  // created hidden with the frame
    QVERIFY(!f.dialog.isModal());
    f.dialog.OpenAt(QPoint(120, 80), QStringLiteral("Voltage 1"), QStringLiteral("5.00"), QStringLiteral("-5.00"));
    QVERIFY(f.dialog.isVisible());
    QCOMPARE(Child<QLabel>(f.dialog, "id1043")->text(), QStringLiteral("Voltage 1"));
    QCOMPARE(Child<QLineEdit>(f.dialog, "id1041")->text(), QStringLiteral("5.00"));
    QCOMPARE(Child<QLineEdit>(f.dialog, "id1042")->text(), QStringLiteral("-5.00"));
    QCOMPARE(f.dialog.UpperText(), QStringLiteral("5.00"));
    QCOMPARE(Child<QPushButton>(f.dialog, "idOK")->text(), QStringLiteral("OK"));
    QCOMPARE(Child<QPushButton>(f.dialog, "idCANCEL")->text(), QStringLiteral("CANCEL"));
    QCOMPARE(Child<QPushButton>(f.dialog, "id3")->text(), QStringLiteral("DEFAULT"));
    QVERIFY(f.dialog.width() >= 220 && f.dialog.height() >= 90);
    SaveGrabIfAsked(f.dialog, QStringLiteral("scale-dialog"));
}

// Texts that read as numbers set the range and close; any other text gives the
// message, changes nothing and stays for correction.
void DialogsTest::scaleDialogOk_data() {
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("upperValue");
    QTest::addColumn<double>("lowerValue");
    // clang-format off
    // What reads as a number is ValueParse's test; here each edit's text counts.
    QTest::newRow("unit after the number") << "10V" << "-10 V" << true << 10.0 << -10.0;
    QTest::newRow("zero and negative") << "0" << "-0.5e-3" << true << 0.0 << -0.0005;
    QTest::newRow("letters upper, valid lower") << "abc" << "2" << false << 0.0 << 0.0;
    QTest::newRow("valid upper, empty lower") << "3" << "" << false << 0.0 << 0.0;
    // clang-format on
}

void DialogsTest::scaleDialogOk() {
    QFETCH(QString, upper);
    QFETCH(QString, lower);
    QFETCH(bool, valid);
    QFETCH(double, upperValue);
    QFETCH(double, lowerValue);
    ScaleFixture f;
    f.Open(upper, lower);
    QSignalSpy accepted(&f.dialog, &QDialog::accepted);
    Click(f.dialog, "idOK");
    if (valid) {
        QCOMPARE(f.calls.size(), size_t{1});
        QCOMPARE(f.calls[0].first, upperValue);
        QCOMPARE(f.calls[0].second, lowerValue);
        QVERIFY(f.ui.Messages().empty());
        QVERIFY(f.dialog.isHidden());
        QCOMPARE(accepted.count(), 1);
    } else {
        ExpectInvalidValue(f.ui, 1);
        QVERIFY(f.calls.empty());
        QVERIFY(f.dialog.isVisible());
        QCOMPARE(Child<QLineEdit>(f.dialog, "id1041")->text(), upper);
    }
}

void DialogsTest::scaleDialogRefusedRangeStaysOpen() {
    ScaleFixture f;
    f.accept = false;
    f.Open(QStringLiteral("1"), QStringLiteral("1"));
    Click(f.dialog, "idOK");
    QCOMPARE(f.calls.size(), size_t{1});
    ExpectInvalidValue(f.ui, 1);
    QVERIFY(f.dialog.isVisible());
    // Corrected and accepted the second time.
    f.accept = true;
    Child<QLineEdit>(f.dialog, "id1042")->setText(QStringLiteral("-1"));
    Click(f.dialog, "idOK");
    QCOMPARE(f.calls.size(), size_t{2});
    QCOMPARE(f.calls[1], std::make_pair(1.0, -1.0));
    QCOMPARE(f.ui.Messages().size(), size_t{1});
    QVERIFY(f.dialog.isHidden());

    // Without an owner's callback every range is refused.
    CScriptedUi ui;
    CScaleDialog orphan(ui, nullptr);
    orphan.OpenAt(QPoint(0, 0), QStringLiteral("CH1"), QStringLiteral("1"), QStringLiteral("0"));
    Click(orphan, "idOK");
    ExpectInvalidValue(ui, 1);
    QVERIFY(orphan.isVisible());
}

// Typed texts are taken; Enter in an edit is OK.
void DialogsTest::scaleDialogTakesTypedTextsOnEnter() {
    ScaleFixture f;
    f.Open(QString(), QString());
    QTest::keyClicks(Child<QLineEdit>(f.dialog, "id1041"), QStringLiteral("2.5"));
    QTest::keyClicks(Child<QLineEdit>(f.dialog, "id1042"), QStringLiteral("-2.5 mV"));
    QTest::keyClick(Child<QLineEdit>(f.dialog, "id1042"), Qt::Key_Return);
    QCOMPARE(f.calls.size(), size_t{1});
    QCOMPARE(f.calls[0], std::make_pair(2.5, -2.5));
    QVERIFY(f.dialog.isHidden());
    QCOMPARE(f.dialog.UpperText(), QStringLiteral("2.5"));
    QCOMPARE(f.dialog.LowerText(), QStringLiteral("-2.5 mV"));
}

void DialogsTest::scaleDialogDefaultClosesEvenWhenRefused() {
    for (const bool accept : {false, true}) {
        ScaleFixture f;
        f.accept = accept;
        f.Open(QStringLiteral("abc"), QString());  // the texts don't matter
        Click(f.dialog, "id3");
        QCOMPARE(f.calls.size(), size_t{1});
        QCOMPARE(f.calls[0], std::make_pair(0.0, 0.0));
        QVERIFY(f.ui.Messages().empty());
        QVERIFY(f.dialog.isHidden());
    }
}

void DialogsTest::scaleDialogCancelAndEscape() {
    ScaleFixture f;
    f.Open(QStringLiteral("1"), QStringLiteral("0"));
    Click(f.dialog, "idCANCEL");
    QVERIFY(f.dialog.isHidden());
    f.Open(QStringLiteral("1"), QStringLiteral("0"));
    QTest::keyClick(Child<QLineEdit>(f.dialog, "id1041"), Qt::Key_Escape);
    QVERIFY(f.dialog.isHidden());
    QVERIFY(f.calls.empty());
    QVERIFY(f.ui.Messages().empty());
    // Open again after closing: the new texts replace the old ones.
    f.Open(QStringLiteral("7"), QStringLiteral("3"));
    QVERIFY(f.dialog.isVisible());
    QCOMPARE(Child<QLineEdit>(f.dialog, "id1041")->text(), QStringLiteral("7"));
}

void DialogsTest::zoomPositionDialog() {
    CScriptedUi ui;
    CZoomPositionDialog dialog(ui, nullptr);
    std::vector<double> calls;
    bool accept = false;
    dialog.setZoomPosition = [&](double t) {
        calls.push_back(t);
        return accept;
    };
    QVERIFY(dialog.isHidden());
    dialog.OpenAt(QPoint(200, 300), QStringLiteral("1.250ms"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(Child<QLineEdit>(dialog, "id1064")->text(), QStringLiteral("1.250ms"));
    QVERIFY(dialog.width() >= 300 && dialog.height() >= 33);
    SaveGrabIfAsked(dialog, QStringLiteral("zoom-position-dialog"));

    // "1.250ms" reads as 1.25 (the unit is ignored); refused: message, still open.
    Click(dialog, "idOK");
    QCOMPARE(calls, std::vector<double>{1.25});
    ExpectInvalidValue(ui, 1);
    QVERIFY(dialog.isVisible());

    // No number: message without asking the display.
    Child<QLineEdit>(dialog, "id1064")->setText(QStringLiteral("abc"));
    Click(dialog, "idOK");
    QCOMPARE(calls.size(), size_t{1});
    ExpectInvalidValue(ui, 2);
    QVERIFY(dialog.isVisible());

    // Accepted (by Enter): closes.
    accept = true;
    Child<QLineEdit>(dialog, "id1064")->setText(QStringLiteral(" -2e-3"));
    QTest::keyClick(Child<QLineEdit>(dialog, "id1064"), Qt::Key_Enter);
    QCOMPARE(calls.size(), size_t{2});
    QCOMPARE(calls[1], -0.002);
    QCOMPARE(ui.Messages().size(), size_t{2});
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.PositionText(), QStringLiteral(" -2e-3"));

    // CANCEL: closes without effect.
    dialog.OpenAt(QPoint(200, 300), QStringLiteral("5"));
    Click(dialog, "idCANCEL");
    QVERIFY(dialog.isHidden());
    QCOMPARE(calls.size(), size_t{2});
}

namespace {
OnOffTable SampleTable() {
    OnOffTable t{};
    t.fill(kivelo::kTraceAbsent);
    for (int i = 0; i < 6; ++i) t[static_cast<size_t>(i)] = (i % 2 == 0) ? kivelo::kTraceOn : kivelo::kTraceOff;
    return t;  // W1 on, W2 off, W3 on, W4 off, W5 on, W6 off, W7..W24 absent
}
}  // namespace

void DialogsTest::traceSelectionShowsTable() {
    CTraceSelectDialog dialog(SampleTable(), nullptr);
    auto* group = dialog.findChild<QGroupBox*>();
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("DISPLAY"));
    for (int i = 0; i < 24; ++i) {
        const QByteArray name = "W" + QByteArray::number(i + 1);
        auto* box = Child<QCheckBox>(dialog, name.constData());
        QCOMPARE(box->text(), QString::fromLatin1(name));
        if (i < 6) {
            QVERIFY(box->isEnabled());
            QCOMPARE(box->checkState(), i % 2 == 0 ? Qt::Checked : Qt::Unchecked);
        } else {
            QVERIFY(!box->isEnabled());
            QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        }
    }
    QCOMPARE(Child<QPushButton>(dialog, "idOK")->text(), QStringLiteral("OK"));
    QCOMPARE(Child<QPushButton>(dialog, "idCANCEL")->text(), QStringLiteral("Cancel"));
    dialog.show();
    SaveGrabIfAsked(dialog, QStringLiteral("trace-select-dialog"));
}

void DialogsTest::traceSelectionResult() {
    OnOffTable current = SampleTable();
    current[23] = 7;  // any value other than 0 and 1 counts as absent and is kept
    CTraceSelectDialog dialog(current, nullptr);
    dialog.show();
    QCOMPARE(dialog.Table(), current);                                  // unchanged until clicked
    QTest::mouseClick(Child<QCheckBox>(dialog, "W1"), Qt::LeftButton);  // on -> off
    QTest::mouseClick(Child<QCheckBox>(dialog, "W2"), Qt::LeftButton);  // off -> on
    QTest::mouseClick(Child<QCheckBox>(dialog, "W8"), Qt::LeftButton);  // absent: disabled, ignored
    Child<QCheckBox>(dialog, "W3")->click();                            // twice: back to on
    Child<QCheckBox>(dialog, "W3")->click();
    OnOffTable expected = current;
    expected[0] = kivelo::kTraceOff;
    expected[1] = kivelo::kTraceOn;
    QCOMPARE(dialog.Table(), expected);
    QCOMPARE(Child<QCheckBox>(dialog, "W8")->checkState(), Qt::PartiallyChecked);
    QCOMPARE(dialog.Table()[7], kivelo::kTraceAbsent);
    QCOMPARE(dialog.Table()[23], uint8_t{7});
    // The present boxes only ever show two states.
    Child<QCheckBox>(dialog, "W2")->click();
    QCOMPARE(Child<QCheckBox>(dialog, "W2")->checkState(), Qt::Unchecked);
}

void DialogsTest::traceSelectionChooseOkAndCancel() {
    const OnOffTable current = SampleTable();
    OnModal([](QWidget& modal) {
        Child<QCheckBox>(modal, "W4")->click();
        Click(modal, "idCANCEL");
    });
    QCOMPARE(CTraceSelectDialog::Choose(current, nullptr), std::optional<OnOffTable>());

    OnModal([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Escape); });
    QCOMPARE(CTraceSelectDialog::Choose(current, nullptr), std::optional<OnOffTable>());

    OnModal([](QWidget& modal) {
        Child<QCheckBox>(modal, "W4")->click();
        Click(modal, "idOK");
    });
    const std::optional<OnOffTable> chosen = CTraceSelectDialog::Choose(current, nullptr);
    QVERIFY(chosen.has_value());
    OnOffTable expected = current;
    expected[3] = kivelo::kTraceOn;
    QCOMPARE(*chosen, expected);
}

void DialogsTest::aboutBox() {
    CAboutBox box(nullptr);
    QCOMPARE(box.windowTitle(), QStringLiteral("Version (Waveform Viewer for QV series)"));
    QVERIFY(box.isModal());
    QCOMPARE(Child<QLabel>(box, "versionText")->text(), QStringLiteral("Waveform Viewer  Version  1.10"));
    QVERIFY(!Child<QLabel>(box, "programIcon")->pixmap().isNull());
    QCOMPARE(Child<QPushButton>(box, "idOK")->text(), QStringLiteral("OK"));
    box.show();
    SaveGrabIfAsked(box, QStringLiteral("about-box"));
    box.hide();

    bool shown = false;
    OnModal([&shown](QWidget& modal) {
        shown = modal.windowTitle().startsWith(QStringLiteral("Version"));
        Click(modal, "idOK");
    });
    CAboutBox::Show(nullptr);  // returns once OK is clicked
    QVERIFY(shown);
}

void DialogsTest::everyControlIsNamedAndNothingClipped() {
    CScriptedUi ui;
    CScaleDialog scale(ui, nullptr);
    // A long trace name and long values must still fit.
    scale.OpenAt(QPoint(10, 10), QStringLiteral("Temperature 19 char"), QStringLiteral("-1234.567e-12"),
                 QStringLiteral("1234.567e+12"));
    CZoomPositionDialog zoom(ui, nullptr);
    zoom.OpenAt(QPoint(10, 10), QStringLiteral("-123.4567ms"));
    CTraceSelectDialog select(SampleTable(), nullptr);
    select.show();
    CAboutBox about(nullptr);
    about.show();
    const std::vector<QWidget*> windows{&scale, &zoom, &select, &about};
    for (QWidget* w : windows) {
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QStringList unnamed = test::ControlsWithoutAccessibleName(*w);
        QVERIFY2(unnamed.isEmpty(), qPrintable(w->objectName() + QStringLiteral(": ") + unnamed.join(", ")));
        const QStringList clipped = test::ClippedControls(*w);
        QVERIFY2(clipped.isEmpty(), qPrintable(w->objectName() + QStringLiteral(": ") + clipped.join(", ")));
        QVERIFY(!w->accessibleName().isEmpty());
    }
    SaveGrabIfAsked(scale, QStringLiteral("scale-dialog-long"));
}

// The generic checks above would pass vacuously if they could not see a fault.
void DialogsTest::widgetChecksCatchFaults() {
    QWidget window;
    window.setObjectName(QStringLiteral("faulty"));
    auto* button = new QPushButton(QStringLiteral("A rather long button text"), &window);
    button->setObjectName(QStringLiteral("squeezed"));
    button->setGeometry(0, 0, 30, 10);
    auto* edit = new QLineEdit(&window);  // no name, no buddy
    edit->setObjectName(QStringLiteral("anonymous"));
    edit->setGeometry(0, 40, 100, 30);
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QStringList clipped = test::ClippedControls(window);
    QCOMPARE(clipped.size(), 1);
    QVERIFY(clipped[0].contains(QStringLiteral("squeezed")));
    QCOMPARE(test::ControlsWithoutAccessibleName(window), QStringList{QStringLiteral("QLineEdit anonymous")});
    auto* label = new QLabel(QStringLiteral("Name"), &window);
    label->setBuddy(edit);
    QVERIFY(test::ControlsWithoutAccessibleName(window).isEmpty());  // a buddy label names the edit
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
