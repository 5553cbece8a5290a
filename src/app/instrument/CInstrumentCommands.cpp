#include "app/instrument/CInstrumentCommands.h"

#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/core/CommandTable.h"
#include "app/core/SettingsRecord.h"
#include "app/core/SettingsRules.h"
#include "app/frame/CCommandHost.h"
#include "app/instrument/CCommSetupDialog.h"
#include "app/instrument/CRecorderControlDialog.h"
#include "app/ui/CBusyWindow.h"
#include "app/ui/CUiSeam.h"
#include "instrument/download/CommConnection.h"
#include "instrument/download/CommDeviceChoice.h"
#include "instrument/download/DownloadFlow.h"
#include "instrument/download/DownloadProgress.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/download/RemoteControl.h"
#include "instrument/drivers/DownloadPlan.h"
#include "port/CWireLog.h"
#include "port/PortTable.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::app {

namespace {

// The device chosen for a COM port lives in the program's profile: the
// settings record has no room for it and must stay byte for byte as it is.
QString DeviceKey(int port) { return QStringLiteral("comm/com%1Device").arg(port); }

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Clears a flag when the flow that set it ends, whichever way it leaves.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

// Makes a running flow's cancel flag reachable from the frame's events while the flow lasts.
class CancelSlot {
public:
    CancelSlot(std::atomic<bool>*& slot, std::atomic<bool>& flag) : slot_(slot) { slot_ = &flag; }
    ~CancelSlot() { slot_ = nullptr; }
    CancelSlot(const CancelSlot&) = delete;
    CancelSlot& operator=(const CancelSlot&) = delete;

private:
    std::atomic<bool>*& slot_;
};

// The wire log for one flow, when the box in Setup Comm Port asks for it.
class WireLogScope {
public:
    WireLogScope(PortTable& ports, const CCommSetupDialog& comm) : ports_(ports) {
        if (!comm.CommLogOn()) return;
        log_.emplace(QFile::encodeName(comm.CommLogPath()).toStdString());
        if (log_->Ok()) ports_.SetWireLog(&*log_);
    }
    ~WireLogScope() { ports_.SetWireLog(nullptr); }
    WireLogScope(const WireLogScope&) = delete;
    WireLogScope& operator=(const WireLogScope&) = delete;

private:
    PortTable& ports_;
    std::optional<CWireLog> log_;
};

bool AllZero(const SettingsRecord& record) {
    const auto& raw = record.Raw();
    return std::all_of(raw.begin(), raw.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

CInstrumentCommands::CInstrumentCommands(CCommandHost& frame) : frame_(frame), ports_(std::make_unique<PortTable>()) {
    comm_ = new CCommSetupDialog(frame_.Ui(), &frame_.Widget());
    recorder_ = new CRecorderControlDialog(&frame_.Widget());
    const QSettings profile;
    for (int port = 1; port <= 2; ++port) comm_->SetChosenDevice(port, profile.value(DeviceKey(port)).toString());

    comm_->accepted = [this] {
        StoreChosenDevices();
        frame_.Model().redraw.MarkAll(false);
    };
    comm_->portOptionsChanged = [this](const PortOptions& options) { ports_ = std::make_unique<PortTable>(options); };
    recorder_->sendLine = [this](const std::string& line) { SendRemote(line); };
    recorder_->listsChanged = [this] { StoreRecorderLists(); };
    recorder_->closed = [this] { frame_.Model().redraw.MarkAll(false); };

    frame_.Handle(cmd::kCommSetup, [this] { ShowCommSetup(); });
    frame_.Handle(cmd::kDownload, [this] { DownloadAndSave(); });
    frame_.Handle(cmd::kRecorderControl, [this] { ShowRecorderControl(); });
    frame_.Widget().installEventFilter(this);
}

CInstrumentCommands::~CInstrumentCommands() {
    // The dialogs belong to the frame and may outlive this module by a moment.
    comm_->accepted = nullptr;
    comm_->portOptionsChanged = nullptr;
    recorder_->sendLine = nullptr;
    recorder_->listsChanged = nullptr;
    recorder_->closed = nullptr;
}

bool CInstrumentCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_.Widget() && event->type() == QEvent::Close && transferCancel_ != nullptr) {
        frameClosing_ = true;
        *transferCancel_ = true;
    }
    return QObject::eventFilter(watched, event);
}

// ---- settings -------------------------------------------------------------

void CInstrumentCommands::SettingsLoaded() {
    const SettingsRecord& record = frame_.Settings();
    // An all-zero record was not read from a file: the built-in values stay.
    if (AllZero(record)) return;
    const AppliedSettings applied = ApplySettingsRules(record, true);
    if (!applied.stored) return;
    const StoredSettings& stored = *applied.stored;
    CommSettings settings;
    settings.useGpib = stored.useGpib ? 1 : 0;
    settings.gpibAddress = stored.gpibAddress;
    settings.serialPort = stored.serialPort;
    comm_->SetSettings(settings);

    RemoteLists lists;
    lists.fileName.Assign(stored.recorderLists[0]);
    lists.fileComment.Assign(stored.recorderLists[1]);
    lists.copyFileName.Assign(stored.recorderLists[2]);
    lists.copyComment.Assign(stored.recorderLists[3]);
    recorder_->SetLists(lists);
}

void CInstrumentCommands::StoreSettings() {
    const CommSettings& settings = comm_->Settings();
    SettingsRecord& record = frame_.Settings();
    record.SetInterface(settings.useGpib == 1 ? 1 : 0);
    record.SetGpibAddress(settings.gpibAddress);
    record.SetSerialPort(settings.serialPort);
}

void CInstrumentCommands::StoreRecorderLists() {
    const RemoteLists& lists = recorder_->Lists();
    SettingsRecord& record = frame_.Settings();
    record.StoreList(SettingsList::Recorder1, lists.fileName.Entries());
    record.StoreList(SettingsList::Recorder2, lists.fileComment.Entries());
    record.StoreList(SettingsList::Recorder3, lists.copyFileName.Entries());
    record.StoreList(SettingsList::Recorder4, lists.copyComment.Entries());
}

void CInstrumentCommands::StoreChosenDevices() {
    QSettings profile;
    for (int port = 1; port <= 2; ++port) {
        const QString device = comm_->ChosenDevice(port);
        if (device.isEmpty()) profile.remove(DeviceKey(port));
        else profile.setValue(DeviceKey(port), device);
    }
}

// ---- helpers --------------------------------------------------------------

CommTarget CInstrumentCommands::Target() const {
    const CommSettings& settings = comm_->Settings();
    return CommTargetFor(settings, comm_->ChosenDevice(settings.serialPort).toStdString(), ports_->Options());
}

QString CInstrumentCommands::NoResponseText(const CommSettings& settings, const CommTarget& target) const {
    // The port line names the COM port as the user chose it, whatever device is behind it.
    return Q(kivelo::NoResponseText(*ports_, CommTarget::FromSettings(settings), target));
}

void CInstrumentCommands::ShowError(const QString& text, QWidget* parent) {
    frame_.Ui().Message(parent != nullptr ? parent : &frame_.Widget(), text, QString::fromLatin1(kErrorCaption),
                        MsgIcon::Exclamation);
}

int CInstrumentCommands::RunPortWork(const QString& text, const std::function<int()>& work) {
    int result = kDownloadPortError;
    std::atomic<bool> done{false};
    QEventLoop loop;
    std::thread worker([&] {
        result = work();
        done = true;
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // Most commands take a few milliseconds; only a slow one shows the busy window.
    bool shown = false;
    QTimer slow;
    slow.setSingleShot(true);
    QObject::connect(&slow, &QTimer::timeout, &loop, [&] {
        frame_.Busy().ShowBusy(text);
        shown = true;
    });
    slow.start(300);
    if (!done) loop.exec();
    worker.join();
    slow.stop();
    if (shown) frame_.Busy().HideBusy();
    return result;
}

// ---- Setup Comm Port ------------------------------------------------------

void CInstrumentCommands::ShowCommSetup() { comm_->ShowAt(frame_.Widget().geometry().topLeft() + QPoint(50, 150)); }

// ---- Control QV818/826 ----------------------------------------------------

void CInstrumentCommands::ShowRecorderControl() {
    recorder_->ShowAt(frame_.Widget().geometry().topLeft() + QPoint(30, 120));
}

void CInstrumentCommands::SendRemote(const std::string& line) {
    if (portBusy_) return;
    FlagGuard busy(portBusy_);
    const WireLogScope log(*ports_, *comm_);
    const CommSettings settings = comm_->Settings();
    const CommTarget target = Target();
    recorder_->setEnabled(false);
    const int result = RunPortWork(QStringLiteral("Sending ..."),
                                   [&] { return SendRemoteCommand(SelectPort(*ports_, target), target, line); });
    recorder_->setEnabled(true);
    if (result != kDownloadOk) ShowError(NoResponseText(settings, target), recorder_);
}

// ---- Download and Save ----------------------------------------------------

// The program's side of the download flow: the busy window with its progress
// and Cancel while a phase runs, the question and the save dialog through the UI seam.
class CInstrumentCommands::DownloadUi final : public DownloadCallbacks {
public:
    DownloadUi(CInstrumentCommands& owner, std::atomic<bool>& cancel) : owner_(owner), cancel_(cancel) {}

    bool Run(Phase phase, const std::function<void()>& work) override {
        if (phase == Phase::kQuery)
            return owner_.frame_.RunBusy(QStringLiteral("Connecting ..."), work, {}, [this] { cancel_ = true; });
        const QString downloading = QStringLiteral("Downloading ...");
        QString shown;
        auto shownAt = std::chrono::steady_clock::now();
        bool cancelling = false;
        return owner_.frame_.RunBusy(
            downloading, work,
            [&] {
                // Polled on this thread; the text changes at most four times a second.
                const auto now = std::chrono::steady_clock::now();
                const QString text = Q(progress_.Text(now));
                if (!cancelling && text != shown && now - shownAt >= std::chrono::milliseconds(250)) {
                    shown = text;
                    shownAt = now;
                    owner_.frame_.Busy().ShowBusy(downloading + QLatin1Char('\n') + text);
                }
                return progress_.Fraction();
            },
            [&] {
                cancelling = true;  // the busy window now says it is cancelling
                cancel_ = true;
            });
    }
    bool ConfirmEstimate(const std::string& question) override {
        return owner_.frame_.Ui().Message(&owner_.frame_.Widget(), Q(question),
                                          QString::fromLatin1(kInformationCaption), MsgIcon::Information,
                                          MsgButtons::OkCancel) == MsgAnswer::Ok;
    }
    std::optional<std::string> ChooseBase() override {
        const std::optional<QString> path = owner_.AskForDataPath();
        if (!path) return std::nullopt;
        return path->left(path->size() - 4).toStdString();
    }
    void TransferStarting() override {
        if (owner_.frame_.Document().IsOpen()) owner_.frame_.CloseDocument();
    }
    void Progress(int64_t done, int64_t total, const DownloadPlan& plan) override {
        progress_.Update(done, total, std::clamp<int>(plan.traceCount, 0, DownloadPlan::kMaxTraces), plan.recordCount,
                         plan.length);
    }
    bool Ending() const override { return owner_.frameClosing_; }

private:
    CInstrumentCommands& owner_;
    std::atomic<bool>& cancel_;
    DownloadProgress progress_;
};

void CInstrumentCommands::DownloadAndSave() {
    if (portBusy_) return;
    FlagGuard busy(portBusy_);
    const WireLogScope log(*ports_, *comm_);
    const CommSettings settings = comm_->Settings();
    std::atomic<bool> cancel{false};
    CancelSlot slot(transferCancel_, cancel);
    frameClosing_ = false;

    DownloadUi ui(*this, cancel);
    DownloadFlowOptions options;
    options.shownAs = CommTarget::FromSettings(settings);
    const DownloadOutcome outcome = RunDownloadFlow(*ports_, Target(), ui, cancel, options);
    switch (outcome.status) {
    case DownloadOutcome::Status::kSaved: frame_.OpenPath(Q(outcome.dataPath)); break;
    case DownloadOutcome::Status::kFailed: ShowError(Q(outcome.message)); break;
    case DownloadOutcome::Status::kDeclined:
    case DownloadOutcome::Status::kAbandoned: return;
    }
    frame_.Model().redraw.MarkAll(false);
}

std::optional<QString> CInstrumentCommands::AskForDataPath() {
    FileDialogRequest request;
    request.save = true;
    request.filter = QStringLiteral("WVF file (*.wvf)|*.wvf||");
    request.defaultSuffix = QStringLiteral("wvf");
    const std::optional<QString> chosen = frame_.Ui().FileName(&frame_.Widget(), request);
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    // The files are base + ".wvf" and base + ".hdr": a name without the ending
    // gets it rather than losing its last four characters.
    QString path = QFileInfo(*chosen).absoluteFilePath();
    if (!path.endsWith(QStringLiteral(".wvf"), Qt::CaseInsensitive)) path += QStringLiteral(".wvf");
    return path;
}

}  // namespace kivelo::app
