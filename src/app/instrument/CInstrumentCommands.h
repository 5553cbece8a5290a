#pragma once
// The Comm menu: the communication setup, "Download and Save" and the
// recorder control. Owns the program's port objects; every exchange with an
// instrument runs off the user-interface thread, so the windows keep painting
// while the program waits for the instrument.
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/frame/CCommandModule.h"
#include "instrument/download/CommSettings.h"
#include "instrument/download/CommTarget.h"

class QWidget;

namespace kivelo {
class PortTable;
}  // namespace kivelo

namespace kivelo::app {

class CCommSetupDialog;
class CCommandHost;
class CRecorderControlDialog;

class CInstrumentCommands final : public QObject, public CCommandModule {
public:
    explicit CInstrumentCommands(CCommandHost& frame);
    ~CInstrumentCommands() override;

    void SettingsLoaded() override;
    void StoreSettings() override;

protected:
    // Closing the frame during a download stops the transfer instead of waiting for its end.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCommSetup();
    void DownloadAndSave();
    void ShowRecorderControl();
    void SendRemote(const std::string& line);
    class DownloadUi;
    // The save dialog; an absolute path that ends in ".wvf".
    std::optional<QString> AskForDataPath();

    // Where the flows talk to now, with the device chosen for the COM port.
    CommTarget Target() const;
    // "No response." with the port line of settings, and what the system knows of the cause.
    QString NoResponseText(const CommSettings& settings, const CommTarget& target) const;
    void ShowError(const QString& text, QWidget* parent = nullptr);
    // Runs work on a second thread while this thread keeps handling events;
    // the busy window shows `text` only when the work takes a while.
    int RunPortWork(const QString& text, const std::function<int()>& work);
    void StoreRecorderLists();
    void StoreChosenDevices();

    CCommandHost& frame_;
    std::unique_ptr<PortTable> ports_;
    CCommSetupDialog* comm_ = nullptr;
    CRecorderControlDialog* recorder_ = nullptr;
    bool portBusy_ = false;                        // a flow is using the ports
    std::atomic<bool>* transferCancel_ = nullptr;  // the running download's cancel flag
    bool frameClosing_ = false;
};

}  // namespace kivelo::app
