// The Comm menu driven as a user would, against the simulator: the
// communication setup, "Download and Save" from the question to the opened
// record (and every way it can fail), and the recorder control's buttons and
// lists as the simulator logs them.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <optional>

#include "CScriptedUi.h"
#include "ProgramFixture.h"
#include "SampleData.h"
#include "ScopedEnv.h"
#include "SimPeer.h"
#include "WidgetChecks.h"
#include "app/core/SettingsStore.h"
#include "app/frame/CKiveloApp.h"
#include "app/frame/CMainFrame.h"
#include "app/instrument/CCommSetupDialog.h"
#include "app/instrument/CRecorderControlDialog.h"
#include "app/ui/CBusyWindow.h"
#include "wavefile/CWaveFile.h"

using namespace kivelo;
using namespace kivelo::app;
using kivelo::test::ConfigureGpibSim;
using kivelo::test::ScopedEnv;
using kivelo::test::SimPty;

namespace {

// What the simulator holds, and so what the opened record must hold.
struct Sim {
    std::string family;
    std::string channels;  // a list such as "2,4,5", or a count
    int records = 1;
    int length = 100;
    int firstRecord = 0;  // the instrument's number of the oldest record
    std::string fault = {};
    std::string model = {};

    std::vector<int> Channels() const {
        const QStringList parts = QString::fromStdString(channels).split(QLatin1Char(','));
        std::vector<int> list;
        for (int c = 1; parts.size() == 1 && c <= parts[0].toInt(); ++c) list.push_back(c);  // a count
        for (const QString& c : parts.size() > 1 ? parts : QStringList()) list.push_back(c.toInt());
        return list;
    }
    bool Gpib(int address) const {
        // clang-format off
        return ConfigureGpibSim({{"FAMILY", family}, {"CHANNELS", channels}, {"RECORDS", std::to_string(records)},
                                 {"LENGTH", std::to_string(length)}, {"ADDRESS", std::to_string(address)},
                                 {"FAULT", fault}, {"MODEL", model}});
        // clang-format on
    }
    std::vector<std::string> Pty(std::vector<std::string> extra = {}) const {
        std::vector<std::string> args{"--family",   family,
                                      "--channels", channels,
                                      "--records",  std::to_string(records),
                                      "--length",   std::to_string(length)};
        if (!fault.empty()) args.insert(args.end(), {"--fault", fault});
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("--pty");
        return args;
    }
};

QStringList FilesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files, QDir::Name); }

// The lines the simulator received.
QStringList Received(const QString& log) {
    QFile file(log);
    QStringList lines;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("> ")) lines << QString::fromUtf8(line.mid(2));
    return lines;
}

QStringList Entries(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i) items << combo.itemText(i);
    return items;
}

}  // namespace

class InstrumentCommandsTest : public QObject {
    Q_OBJECT

private:
    CMainFrame& Frame() { return app_->Frame(); }
    CCommSetupDialog& Comm() { return *Frame().findChild<CCommSetupDialog*>(QStringLiteral("CommSetupDialog")); }
    // What KIVELO_COM1 (port 1) or KIVELO_COM2 would have named at the program's start.
    void UseDevice(int port, const std::string& device) {
        PortOptions options = Comm().Ports();
        options.serialDevices[port == 1 ? 0 : 1] = device;
        Comm().SetPortOptions(options);
    }
    CRecorderControlDialog& Recorder() {
        return *Frame().findChild<CRecorderControlDialog*>(QStringLiteral("RecorderControlDialog"));
    }
    template <class W>
    W* In(QWidget& parent, const char* name) {
        W* w = parent.findChild<W*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QString File(const QString& name) const { return QDir(work_->path()).filePath(name); }
    void Click(QWidget& dialog, const char* id) { QTest::mouseClick(In<QAbstractButton>(dialog, id), Qt::LeftButton); }
    void TypeNumber(const char* edit, const QString& text) {
        auto* box = In<QSpinBox>(Comm(), edit);
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // Through the dialog as a user would: radio button, both numbers, OK.
    void ChooseComm(bool gpib, int address, int port) {
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        Click(Comm(), gpib ? "id1053" : "id1054");
        TypeNumber("id1057", QString::number(address));
        TypeNumber("id1060", QString::number(port));
        Click(Comm(), "idOK");
        QVERIFY(!Comm().isVisible());
    }
    // The menu entry, with the question answered `answer` and the save dialog `path`.
    void Download(std::optional<QString> path, MsgAnswer answer = MsgAnswer::Ok) {
        QCOMPARE(ui_.PendingAnswers() + ui_.PendingFileNames(), size_t(0));  // left by a flow that stopped early
        ui_.QueueAnswer(answer);
        ui_.QueueFileName(std::move(path));
        QAction* action = Frame().Action(cmd::kDownload);
        QVERIFY(action && action->isEnabled());
        action->trigger();
        QVERIFY(!Frame().Busy().isVisible());
    }
    // The open record sample by sample against the simulator's pattern: the first
    // `valid` points of each record (all when -1), zeros after them.
    void ExpectOpened(const QString& path, const Sim& sim, int valid = -1) {
        QVERIFY(app_->Document().IsOpen());
        QCOMPARE(QString::fromStdString(app_->Document().Path()), path);
        CWaveFile& file = *app_->Document().Current();
        const std::vector<int> channels = sim.Channels();
        QCOMPARE(file.GetTraceTotalNumber(), int(channels.size()));
        QCOMPARE(file.GetBlockNumber(), sim.records);
        const auto pattern = sim.fault == "lf" ? qvsim::SamplePattern::LineFeeds : qvsim::SamplePattern::Ramp;
        std::vector<uint8_t> raw(size_t(sim.length) * 2);
        const auto* samples = reinterpret_cast<const int16_t*>(raw.data());
        for (int t = 0; t < file.GetTraceTotalNumber(); ++t)
            for (int b = 0; b < sim.records; ++b) {
                int64_t got = 0;
                QCOMPARE(file.ReadData(b, t, 0, sim.length, raw, got, kWidthNative), -1);
                for (int i = 0; i < sim.length; ++i) {
                    const int16_t sent = qvsim::SampleValue(channels[size_t(t)] - 1, sim.firstRecord + b, i, pattern);
                    if (samples[i] != (valid >= 0 && i >= valid ? 0 : sent))
                        QFAIL(qPrintable(QStringLiteral("trace %1 block %2 point %3").arg(t).arg(b).arg(i)));
                }
            }
    }
    // The last message box is this error, and the only one after the question.
    void ExpectError(const QString& text) {
        QStringList texts = ui_.MessageTexts();
        if (!texts.isEmpty() && texts.front().startsWith(QStringLiteral("MODEL: ")) && texts.size() > 1)
            texts.removeFirst();
        QCOMPARE(texts, QStringList{text});
        QCOMPARE(ui_.Messages().back().caption, QStringLiteral("ERROR"));
        QCOMPARE(ui_.Messages().back().icon, MsgIcon::Exclamation);
    }
    QString Missing(const QString& device) {
        return QStringLiteral("The device ") + device +
               QStringLiteral(" does not exist: is the instrument's cable or USB adapter plugged in?");
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir_.isValid());
        qputenv("KIVELO_SETTINGS", QDir(dir_.path()).filePath("kivelo.stp").toLocal8Bit());
        // The program reads these at its start: every program here talks to the simulator's GPIB library.
        qputenv("KIVELO_GPIB_LIBRARY", QVSIM_GPIB_LIBRARY);
        qunsetenv("KIVELO_COM1");
        qunsetenv("KIVELO_COM2");
    }
    void init() {
        ui_.Clear();
        QSettings().remove(QStringLiteral("comm"));
        work_.emplace();
        QDir::setCurrent(work_->path());
        app_ = std::make_unique<CKiveloApp>(ui_, QDir(dir_.path()).filePath("kivelo.stp").toStdString());
        Frame().resize(1000, 760);
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
    }
    void cleanup() {
        app_.reset();
        QDir::setCurrent(dir_.path());
        work_.reset();
    }

    void menuEntriesAndDialogs() {
        const std::tuple<int, const char*, const char*> rows[] = {
            {cmd::kCommSetup, "Setup Comm Port", "Select GPIB address or RS232 port"},
            {cmd::kDownload, "Download and Save", "Download waveform data and save as WVF file (*.wvf)"},
            {cmd::kRecorderControl, "Control QV818/826", "Setup QV818 ( Some setup is not available for other QV )"}};
        for (const auto& [id, text, prompt] : rows) {
            QCOMPARE(Frame().Action(id)->text(), QString::fromLatin1(text));
            QCOMPARE(Frame().Action(id)->statusTip(), QString::fromLatin1(prompt));
        }
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        QVERIFY(Frame().RunCommand(cmd::kRecorderControl));
        const QPoint corner = Frame().geometry().topLeft();
        QCOMPARE(Comm().geometry().topLeft(), corner + QPoint(50, 150));
        QCOMPARE(Recorder().geometry().topLeft(), corner + QPoint(30, 120));
        QCOMPARE(Comm().windowTitle(), QStringLiteral("Communication Setup"));
        QCOMPARE(Recorder().windowTitle(), QStringLiteral("Setup QV818"));
        const std::pair<const char*, const char*> texts[] = {{"labelBaud", " 19200 BPS"},
                                                             {"labelFrame", " 8 - NO - 1"},
                                                             {"labelFlow", " CTS-RTS"},
                                                             {"labelTerm", "Term: LF"}};
        for (const auto& [name, text] : texts) QCOMPARE(In<QLabel>(Comm(), name)->text(), QString::fromLatin1(text));
        for (QWidget* dialog : {static_cast<QWidget*>(&Comm()), static_cast<QWidget*>(&Recorder())}) {
            const QStringList unnamed = app::test::ControlsWithoutAccessibleName(*dialog);
            QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
            const QStringList clipped = app::test::ClippedControls(*dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
        }
        app::test::SaveGrabIfAsked(Comm(), QStringLiteral("comm-setup-dialog"));
        app::test::SaveGrabIfAsked(Recorder(), QStringLiteral("recorder-control-dialog"));
    }

    // ---- communication setup ----------------------------------------------

    void setupRefusesNumbersOutOfRange() {
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        const char* address = "Please enter an integer between 1 and 30.";
        const char* port = "Please enter an integer between 1 and 2.";
        const std::tuple<const char*, const char*, const char*> rows[] = {
            {"0", "1", address}, {"31", "1", address}, {"5", "0", port}, {"5", "3", port}};
        for (const auto& [a, p, message] : rows) {
            ui_.Clear();
            TypeNumber("id1057", QString::fromLatin1(a));
            TypeNumber("id1060", QString::fromLatin1(p));
            Click(Comm(), "idOK");
            QCOMPARE(ui_.MessageTexts(), QStringList{QString::fromLatin1(message)});
            QVERIFY(Comm().isVisible());
            QCOMPARE(Comm().Settings().portCode(), 1);
        }
        TypeNumber("id1057", QStringLiteral("30"));
        TypeNumber("id1060", QStringLiteral("2"));
        Click(Comm(), "idOK");
        QVERIFY(!Comm().isVisible());
        QCOMPARE(Comm().Settings().portCode(), 30);
        QCOMPARE(Comm().Settings().serialPort, 2);

        // The arrows stay in the range, also from a number typed outside it;
        // a number typed and left without OK is not taken.
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        auto* edit = In<QSpinBox>(Comm(), "id1057");
        edit->stepBy(1);
        QCOMPARE(edit->value(), 30);
        TypeNumber("id1057", QStringLiteral("99"));
        edit->stepBy(1);
        QCOMPARE(edit->value(), 30);
        edit->setValue(1);
        edit->stepBy(-1);
        QCOMPARE(edit->value(), 1);
        // Escape cancels the interface clicked meanwhile too.
        const int interfaceBefore = Comm().Settings().useGpib;
        Click(Comm(), interfaceBefore == 1 ? "id1054" : "id1053");
        QCOMPARE(Comm().Settings().useGpib == 1, interfaceBefore != 1);
        QTest::keyClick(&Comm(), Qt::Key_Escape);
        QVERIFY(!Comm().isVisible());
        QCOMPARE(Comm().Settings().useGpib, interfaceBefore);
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        QCOMPARE(edit->value(), 30);
    }

    // RS232 port 2 opens COM2 (COM1 is a device that does not exist); the radio
    // button counts while the dialog is open, without OK.
    void portTwoAndTheRadioChoiceWithoutOk() {
        const Sim sim{"qv43", "1,2", 1, 200};
        SimPty pty(sim.Pty());
        UseDevice(1, File("no-such-tty").toStdString());
        UseDevice(2, pty.Device());
        ChooseComm(false, 1, 2);
        Download(File("com2.wvf"));
        ExpectOpened(File("com2.wvf"), sim);

        ChooseComm(true, 1, 2);
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        Click(Comm(), "id1054");  // the dialog stays open: the radio choice counts at once
        ui_.Clear();
        Download(File("radio.wvf"));
        ExpectOpened(File("radio.wvf"), sim);
        QCOMPARE(ui_.Messages().size(), size_t(1));  // the question only
        Comm().reject();                             // cancelling afterwards takes the choice back
        QCOMPARE(Comm().Settings().useGpib, 1);
    }

    // Read from the record at start, written back at exit, no other byte
    // changed; a device chosen for a COM port lives in the profile.
    void settingsRecordAndProfileDevice() {
        // A record the program could have written (a damaged one is kept aside and not used).
        SettingsRecord stored;
        stored.SetPrintNotes("notes");
        stored.SetListEntry(SettingsList::Recorder1, 2, "FILE03");
        stored.SetDivisions(16);
        stored.SetRightShare(0.25f);
        stored.SetInterface(0);
        stored.SetGpibAddress(12);
        stored.SetSerialPort(2);
        stored.SetCurrentDirectory(work_->path().toStdString());
        QVERIFY(SettingsStore::Save(app_->SettingsPath(), stored).Ok());
        app_->LoadSettings();
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        QVERIFY(In<QRadioButton>(Comm(), "id1054")->isChecked());
        QCOMPARE(In<QSpinBox>(Comm(), "id1057")->value(), 12);
        QCOMPARE(In<QSpinBox>(Comm(), "id1060")->value(), 2);
        Comm().reject();

        SettingsRecord expected = app_->Settings();
        ChooseComm(true, 25, 1);
        Frame().StoreSettings();
        expected.SetInterface(1);
        expected.SetGpibAddress(25);
        expected.SetSerialPort(1);
        for (size_t i = 0; i < SettingsRecord::kSize; ++i)  // the print notes belong to another module
            if (i < 256 || i >= 1280)
                QVERIFY2(app_->Settings().Raw()[i] == expected.Raw()[i], qPrintable(QString::number(i)));

        // An address from 31 on in the file would be a serial word: the default instead.
        stored.SetInterface(1);
        stored.SetGpibAddress(31);
        QVERIFY(SettingsStore::Save(app_->SettingsPath(), stored).Ok());
        app_->LoadSettings();
        QCOMPARE(Comm().Settings().portCode(), 1);

        // A typed device: kept in the profile, opened by the next download, the record untouched.
        const Sim sim{"qv8", "2,3"};
        SimPty pty(sim.Pty());
        const QString device = QString::fromStdString(pty.Device());
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        auto* com1 = In<QComboBox>(Comm(), "comboCom1Device");
        com1->setEditText(device);
        Click(Comm(), "id1054");
        TypeNumber("id1060", QStringLiteral("1"));
        Click(Comm(), "idOK");
        QCOMPARE(QSettings().value(QStringLiteral("comm/com1Device")).toString(), device);
        const SettingsRecord before = app_->Settings();
        Download(File("chosen.wvf"));
        ExpectOpened(File("chosen.wvf"), sim);
        QVERIFY(app_->Settings() == before);

        // The variable still wins, and the dialog shows it instead of a choice.
        UseDevice(1, File("no-such-tty").toStdString());
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        QVERIFY(!com1->isEnabled());
        QVERIFY(com1->currentText().contains(QStringLiteral("KIVELO_COM1")));
        Click(Comm(), "idOK");
        QCOMPARE(QSettings().value(QStringLiteral("comm/com1Device")).toString(), device);
        ui_.Clear();
        Download(File("overridden.wvf"));
        ExpectError(QStringLiteral("No response.\n\nRS232 Port:  1\n\n") + Missing(File("no-such-tty")));
    }

    // ---- download and save ------------------------------------------------

    // The whole menu flow to the opened record over GPIB and over RS-232 (line
    // feeds inside the data); a stale scratch header in the current folder
    // changes nothing; a name without the ending gets it.
    void downloadFromTheMenuOpensTheRecordTheSimulatorSent() {
        std::ofstream(File(QStringLiteral("SMP_TEMP.HDR")).toStdString()) << "left over";
        const Sim gpib{"qv43", "2,4,5", 2, 301, -1};
        QVERIFY(gpib.Gpib(7));
        ChooseComm(true, 7, 1);
        Download(File("gpib.wvf"));
        QCOMPARE(ui_.Messages().size(), size_t(1));
        const CScriptedUi::MessageCall& question = ui_.Messages()[0];
        QCOMPARE(question.text, QStringLiteral("MODEL: 4300\nNUMBER OF CH: 3\nDATA LENGTH: 301\nAbout 10 Sec"));
        QCOMPARE(question.caption, QStringLiteral("INFORMATION"));
        QCOMPARE(question.icon, MsgIcon::Information);
        QCOMPARE(question.buttons, MsgButtons::OkCancel);
        const FileDialogRequest& request = ui_.FileRequests().at(0).request;
        QVERIFY(request.save);
        QCOMPARE(request.filter, QStringLiteral("WVF file (*.wvf)|*.wvf||"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("wvf"));
        ExpectOpened(File("gpib.wvf"), gpib);

        ui_.Clear();
        const Sim serial{"qv8", "1,3", 2, 3000, -1, "lf"};
        SimPty pty(serial.Pty());
        UseDevice(1, pty.Device());
        ChooseComm(false, 7, 1);
        Download(File("serial"));
        QCOMPARE(ui_.MessageTexts(),
                 QStringList{QStringLiteral("MODEL: 818\nNUMBER OF CH: 2\nDATA LENGTH: 3000\nAbout 10 Sec")});
        ExpectOpened(File("serial.wvf"), serial);
        QCOMPARE(FilesIn(work_->path()),
                 (QStringList{"SMP_TEMP.HDR", "gpib.hdr", "gpib.wvf", "serial.hdr", "serial.wvf"}));
        QFile stale(File("SMP_TEMP.HDR"));
        QVERIFY(stale.open(QIODevice::ReadOnly));
        QCOMPARE(stale.readAll(), QByteArray("left over"));
    }

    // The estimates of the examples; Cancel in the question or in the save
    // dialog writes nothing and keeps the open record.
    void estimatesAndCancelBeforeTheTransfer() {
        // The arithmetic is the estimate's own test; here each link's question.
        const std::tuple<bool, int, const char*> rows[] = {{true, 1000, "About 10 Sec"},
                                                           {false, 100000, "About 7 Min"}};
        for (const auto& [gpib, length, about] : rows) {
            ui_.Clear();
            const Sim sim{"qv8", "4", 1, length};
            std::optional<SimPty> pty;
            if (gpib) {
                QVERIFY(sim.Gpib(1));
            } else {
                pty.emplace(sim.Pty());
                UseDevice(1, pty->Device());
            }
            ChooseComm(gpib, 1, 1);
            Download(File("never.wvf"), MsgAnswer::Cancel);
            QCOMPARE(ui_.MessageTexts(),
                     QStringList{QStringLiteral("MODEL: 818\nNUMBER OF CH: 4\nDATA LENGTH: %1\n").arg(length) +
                                 QString::fromLatin1(about)});
            QVERIFY(ui_.FileRequests().empty());
        }
        ui_.Clear();
        QVERIFY((Sim{"qv8", "4"}.Gpib(1)));
        ChooseComm(true, 1, 1);
        Download(File("first.wvf"));
        QVERIFY(app_->Document().IsOpen());
        Download(std::nullopt);
        QCOMPARE(QString::fromStdString(app_->Document().Path()), File("first.wvf"));
        QCOMPARE(FilesIn(work_->path()), (QStringList{"first.hdr", "first.wvf"}));
    }

    // The query's failures and one of the transfer (each instrument fault is the
    // download flow's test): the message, no files, no record.
    void failuresOfTheQueryAndTheTransfer() {
        const char* noResponse = "No response.\n\nGPIB Addr:  7";
        const std::tuple<const char*, Sim, int, const char*> rows[] = {
            {"no answer", {"qv8", "1,2", 2, 400, -1}, 9, noResponse},
            {"unidentified model", {"qv8", "1,2", 2, 400, -1, "", "123456"}, 7, noResponse},
            {"block cut short", {"qv8", "1,2", 2, 400, -1, "stall:2"}, 7, noResponse},
            {"length below 20",
             {"qv8", "1,2", 2, 10, -1},
             7,
             "MODEL: 818\nNUMBER OF CH: 2\nDATA LENGTH: 10\n\n More than 20 data is required!"},
        };
        ChooseComm(true, 7, 1);
        for (const auto& [what, sim, address, message] : rows) {
            ui_.Clear();
            QVERIFY(sim.Gpib(address));
            Download(File("fail.wvf"));
            ExpectError(QString::fromLatin1(message));
            QVERIFY2(app::test::Entries(work_->path()).isEmpty() && !app_->Document().IsOpen(), what);
        }

        // A short block arrives padded with zeros, so every block keeps its size.
        ui_.Clear();
        const Sim shortBlocks{"qv8", "1,2", 2, 400, -1, "short"};
        QVERIFY(shortBlocks.Gpib(7));
        Download(File("short.wvf"));
        ExpectOpened(File("short.wvf"), shortBlocks, 300);

        // The files exist already, or the folder does not: the open record stays, nothing is touched.
        std::ofstream(File(QStringLiteral("taken.hdr")).toStdString()) << "mine";
        ui_.Clear();
        Download(File("taken.wvf"));
        ExpectError(QStringLiteral("Cannot save.\n\n") + File("taken.hdr") + QStringLiteral(" already exists."));
        QVERIFY(app_->Document().IsOpen());
        QCOMPARE(QFileInfo(File("taken.hdr")).size(), 4);
        ui_.Clear();
        Download(File("gone/x.wvf"));
        ExpectError(QStringLiteral("Cannot save.\n\nThe folder ") + File("gone") +
                    QStringLiteral(" cannot be written."));
        QCOMPARE(FilesIn(work_->path()), (QStringList{"short.hdr", "short.wvf", "taken.hdr"}));
    }

    // The serial instrument falls silent inside the last block: the next
    // command's write (or the block's read) fails.
    void writeFailingDuringTheTransfer() {
        const Sim sim{"qv8", "1,3", 2, 3000, -1};
        const QString log = File("count.log");
        qsizetype messages = 0;
        {
            SimPty counting(sim.Pty({"--log", log.toStdString()}));
            UseDevice(1, counting.Device());
            ChooseComm(false, 1, 1);
            Download(File("counted.wvf"));
            QTRY_COMPARE(Received(log).value(Received(log).size() - 1), QStringLiteral("WAV:SEND?"));
            messages = Received(log).size();
        }
        Frame().CloseDocument();
        for (const char* name : {"counted.wvf", "counted.hdr", "count.log"}) QVERIFY(QFile::remove(File(name)));
        ui_.Clear();
        SimPty pty(sim.Pty({"--exit-after", std::to_string(messages - 2)}));
        UseDevice(1, pty.Device());
        Download(File("cut.wvf"));
        // The simulator's device is gone with it, as an unplugged adapter would be.
        ExpectError(QStringLiteral("No response.\n\nRS232 Port:  1\n\n") +
                    Missing(QString::fromStdString(pty.Device())));
        QVERIFY(FilesIn(work_->path()).isEmpty());
    }

    // Cancel in the busy window, or closing the program, stops the transfer
    // soon; no files are left. Meanwhile the busy window shows trace, bytes and
    // time left, and the program keeps painting.
    void cancelOrCloseDuringTheTransfer() {
        const Sim sim{"qv8", "4", 1, 500000};
        for (bool close : {false, true}) {
            init();
            SimPty pty(sim.Pty());
            UseDevice(1, pty.Device());
            ChooseComm(false, 1, 1);
            QString seen;
            int ticks = 0;
            QElapsedTimer stopped;
            QTimer watch;
            connect(&watch, &QTimer::timeout, this, [&] {
                ++ticks;
                auto* text = Frame().Busy().findChild<QLabel*>(QStringLiteral("busyText"));
                if (stopped.isValid() || !Frame().Busy().isVisible()) return;
                if (text->text().startsWith(QStringLiteral("Downloading ...\n")))
                    seen += text->text() + QLatin1Char('|');
                if (!seen.contains(QStringLiteral(" left"))) return;
                stopped.start();
                if (close) Frame().close();
                else Click(Frame().Busy(), "busyCancel");
            });
            watch.start(20);
            Download(File("stopped.wvf"));
            watch.stop();
            QVERIFY2(stopped.isValid() && stopped.elapsed() < 1000, qPrintable(seen));
            QVERIFY2(seen.contains(QStringLiteral("Downloading ...\nTrace 1 of 4\n")), qPrintable(seen));
            QVERIFY2(seen.contains(QStringLiteral(" of 4.0 MB, about ")), qPrintable(seen));
            QVERIFY(ticks > 40);
            QStringList expected{QStringLiteral("MODEL: 818\nNUMBER OF CH: 4\nDATA LENGTH: 500000\nAbout 35 Min")};
            if (!close) expected << QStringLiteral("Comunication was interruped");
            QCOMPARE(ui_.MessageTexts(), expected);
            QVERIFY(FilesIn(work_->path()).isEmpty());
            QVERIFY(!app_->Document().IsOpen());
            if (close) QTRY_VERIFY(!Frame().isVisible());
            cleanup();
        }
    }

    // Plain-words causes after "No response.": a missing serial device, a GPIB
    // library that cannot be loaded, both named by the variables the program
    // reads at its start.
    void causesTheSystemKnows() {
        const QString tty = QDir(dir_.path()).filePath("ttyUSB9");
        {
            ScopedEnv com1("KIVELO_COM1", tty.toStdString());
            ScopedEnv library("KIVELO_GPIB_LIBRARY", "/nonexistent/libgpib.so.0");
            cleanup();
            init();
        }
        ChooseComm(false, 1, 1);
        Download(File("x.wvf"));
        ExpectError(QStringLiteral("No response.\n\nRS232 Port:  1\n\n") + Missing(tty));
        ui_.Clear();
        ChooseComm(true, 4, 1);
        Download(File("x.wvf"));
        const QString text = ui_.MessageTexts().value(0);
        QVERIFY2(text.startsWith(QStringLiteral("No response.\n\nGPIB Addr:  4\n\nThe GPIB library "
                                                "\"/nonexistent/libgpib.so.0\" cannot be loaded")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("KIVELO_GPIB_LIBRARY")));
    }

    // Cancel while the program waits for an instrument that does not answer:
    // the busy window goes within a second and says so.
    void cancelWhileConnecting() {
        SimPty pty(Sim{"qv8", "1,2", 1, 400, 0, "mute"}.Pty());
        UseDevice(1, pty.Device());
        ChooseComm(false, 1, 1);
        QElapsedTimer clicked;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* text = Frame().Busy().findChild<QLabel*>(QStringLiteral("busyText"));
            if (clicked.isValid() || !Frame().Busy().isVisible() || !text->text().startsWith(QStringLiteral("Connect")))
                return;
            clicked.start();
            Click(Frame().Busy(), "busyCancel");
        });
        watch.start(20);
        ui_.QueueFileName(File("never.wvf"));  // not asked: the flow ends first
        QAction* action = Frame().Action(cmd::kDownload);
        action->trigger();
        watch.stop();
        QVERIFY(clicked.isValid());
        QVERIFY2(clicked.elapsed() < 1000, qPrintable(QString::number(clicked.elapsed())));
        QVERIFY(!Frame().Busy().isVisible());
        QCOMPARE(ui_.MessageTexts(), QStringList{QStringLiteral("Comunication was interruped")});
        QVERIFY(ui_.FileRequests().empty());
        QVERIFY(app::test::Entries(work_->path()).isEmpty());
    }

    // The wire log: the box in Setup Comm Port, or KIVELO_COMM_LOG from the start.
    void wireLogFromTheBoxOrTheVariable() {
        QVERIFY((Sim{"qv60", "2", 1, 100}.Gpib(7)));
        ChooseComm(true, 7, 1);
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        auto* box = In<QCheckBox>(Comm(), "checkCommLog");
        QVERIFY(!box->isChecked());
        const QString path = QDir(dir_.path()).filePath(QStringLiteral("kivelo-comm.log"));
        QFile::remove(path);
        QVERIFY(box->toolTip().endsWith(path));
        Click(Comm(), "checkCommLog");
        Comm().reject();  // the box counts at once, like the radio buttons
        Download(File("logged.wvf"));
        QFile log(path);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.contains(" > *IDN?\n") && text.contains(" < [block data: "), text.constData());
        log.close();

        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        Click(Comm(), "checkCommLog");
        Comm().reject();
        Download(File("unlogged.wvf"));
        QCOMPARE(QFileInfo(path).size(), qint64(text.size()));

        const QString chosen = File("chosen.log");
        {
            ScopedEnv variable("KIVELO_COMM_LOG", chosen.toStdString());
            cleanup();
            init();
        }
        QVERIFY(Frame().RunCommand(cmd::kCommSetup));
        QVERIFY(In<QCheckBox>(Comm(), "checkCommLog")->isChecked());
        QVERIFY(In<QCheckBox>(Comm(), "checkCommLog")->toolTip().endsWith(chosen));
    }

    // ---- recorder control -------------------------------------------------

    void recorderButtonsSendTheirCommandLines() {
        const QString log = File("remote.log");
        SimPty pty(Sim{"qv8", "1"}.Pty({"--log", log.toStdString()}));
        UseDevice(1, pty.Device());
        ChooseComm(false, 1, 1);
        QVERIFY(Frame().RunCommand(cmd::kRecorderControl));
        CRecorderControlDialog& d = Recorder();
        for (const char* id : {"id1074", "id1072", "id1067", "id1073"}) Click(d, id);  // empty lists send nothing
        const std::pair<const char*, const char*> texts[] = {
            {"id1066", "TEST1"}, {"id1069", "say \"hi\""}, {"id1071", "COPY1"}, {"id1070", "note"}};
        for (const auto& [list, text] : texts) In<QComboBox>(d, list)->setEditText(QString::fromLatin1(text));
        for (const char* id :
             {"id1074", "id1072", "id1068", "id1067", "id1073", "id1075", "id1076", "id1078", "id1077", "id1079"})
            Click(d, id);
        // clang-format off
        const QStringList sent{"FILE:SAVE:SETUP:NAME \"TEST1\"", "FILE:SAVE:SETUP:COMMENT \"say \"hi\"\"",
                               "FILE:SAVE:WAVEFORM:EXEC", "HCOPY:SAVE:NAME \"COPY1\"", "HCOPY:COMMENT \"note\"",
                               "HCOPY:EXEC", "START", "SSTART", "LSTART", "STOP"};
        // clang-format on
        QTRY_COMPARE(Received(log), sent);
        QVERIFY(ui_.Messages().empty());
        const SettingsList lists[] = {SettingsList::Recorder1, SettingsList::Recorder2, SettingsList::Recorder3,
                                      SettingsList::Recorder4};
        for (size_t i = 0; i < 4; ++i) {
            QCOMPARE(In<QComboBox>(d, texts[i].first)->currentText(), QString::fromLatin1(texts[i].second));
            QCOMPARE(app_->Settings().ListEntry(lists[i], 0), std::string(texts[i].second));
        }

        // Enter keeps the texts and sends nothing; CLOSE keeps them and hides.
        auto* names = In<QComboBox>(d, "id1066");
        names->setEditText(QStringLiteral("TEST2"));
        QTest::keyClick(names->lineEdit(), Qt::Key_Return);
        QVERIFY(d.isVisible());
        QCOMPARE(Entries(*names), (QStringList{"TEST2", "TEST1"}));
        In<QComboBox>(d, "id1069")->setEditText(QStringLiteral("closing"));
        Click(d, "idCANCEL");
        QVERIFY(!d.isVisible());
        QCOMPARE(app_->Settings().ListEntry(SettingsList::Recorder2, 0), std::string("closing"));
        QTest::qWait(100);
        QCOMPARE(Received(log), sent);

        // A port that fails: the message with the port line and the cause.
        UseDevice(1, File("ttyUSB9").toStdString());
        QVERIFY(Frame().RunCommand(cmd::kRecorderControl));
        Click(d, "id1076");
        ExpectError(QStringLiteral("No response.\n\nRS232 Port:  1\n\n") + Missing(File("ttyUSB9")));
        QVERIFY(d.isEnabled());
        ui_.Clear();
        QVERIFY(ConfigureGpibSim({{"ADDRESS", "3"}}));
        ChooseComm(true, 5, 1);
        Click(d, "id1079");
        ExpectError(QStringLiteral("No response.\n\nGPIB Addr:  5"));
    }

    // Newest first, a repeat moves to the top, a 17th text pushes out the
    // oldest; each slot of the record is cut to its field, and the lists come
    // back at the next start.
    void recorderHistoriesAndTheirSettings() {
        QVERIFY(Frame().RunCommand(cmd::kRecorderControl));
        auto* names = In<QComboBox>(Recorder(), "id1066");
        QStringList expected;
        for (int i = 1; i <= 17; ++i) {
            names->setEditText(QStringLiteral("NAME%1").arg(i));
            Recorder().accept();
            if (i > 1) expected.prepend(QStringLiteral("NAME%1").arg(i));
        }
        QCOMPARE(Entries(*names), expected);
        names->setEditText(QStringLiteral("NAME9"));
        QTest::keyClick(names->lineEdit(), Qt::Key_Enter);
        expected.move(expected.indexOf(QStringLiteral("NAME9")), 0);
        QCOMPARE(Entries(*names), expected);
        const QString comment = QStringLiteral("a comment longer than the 48 bytes of its slot in the record");
        In<QComboBox>(Recorder(), "id1070")->setEditText(comment);
        Recorder().reject();

        SettingsRecord& record = app_->Settings();
        for (int slot = 0; slot < 16; ++slot)
            QCOMPARE(QString::fromStdString(record.ListEntry(SettingsList::Recorder1, slot)), expected[slot]);
        const QString cut = comment.left(47);
        QCOMPARE(QString::fromStdString(record.ListEntry(SettingsList::Recorder4, 0)), cut);
        record.SetCurrentDirectory(work_->path().toStdString());
        QVERIFY(SettingsStore::Save(app_->SettingsPath(), record).Ok());
        cleanup();
        init();
        app_->LoadSettings();
        QCOMPARE(Entries(*In<QComboBox>(Recorder(), "id1066")), expected);
        QCOMPARE(Entries(*In<QComboBox>(Recorder(), "id1070")), QStringList{cut});
        QCOMPARE(In<QComboBox>(Recorder(), "id1066")->currentText(), QString());
        QVERIFY(ui_.Messages().empty());
    }

private:
    QTemporaryDir dir_;
    std::optional<QTemporaryDir> work_;
    CScriptedUi ui_;
    std::unique_ptr<CKiveloApp> app_;
};

QTEST_MAIN(InstrumentCommandsTest)
#include "InstrumentCommandsTest.moc"
