#pragma once
// "Communication Setup": GPIB with a primary address, or RS-232 on COM1 or
// COM2, and which of the machine's serial devices stands behind each COM
// port. Modeless; the object lives as long as the frame and its values are
// the program's communication settings.
#include <QDialog>
#include <QPoint>
#include <QString>

#include <array>
#include <functional>

#include "instrument/download/CommSettings.h"
#include "port/PortOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace kivelo::app {

class CNumberEdit;
class CUiSeam;

class CCommSetupDialog final : public QDialog {
    Q_OBJECT
public:
    CCommSetupDialog(CUiSeam& ui, QWidget* parent);

    // The interface as last clicked, the numbers as last accepted by OK.
    const CommSettings& Settings() const { return settings_; }
    void SetSettings(const CommSettings& settings);
    // The device chosen for COM1 (port 1) or COM2 (2); empty: the default one.
    QString ChosenDevice(int port) const { return chosen_[port == 1 ? 0 : 1]; }
    void SetChosenDevice(int port, const QString& path);

    // The ports' options: the devices they name for COM1 and COM2 are shown
    // instead of a choice. Given at start and between flows.
    void SetPortOptions(const PortOptions& options);
    const PortOptions& Ports() const { return ports_; }

    // The wire log: the file it goes to and whether the exchanges are logged.
    // The box takes effect at once, with or without OK.
    void SetCommLog(const QString& path, bool on);
    const QString& CommLogPath() const { return logPath_; }
    bool CommLogOn() const;

    // Shows the current values and the machine's serial devices at topLeft.
    void ShowAt(QPoint topLeft);

    // After OK took the values and closed the dialog.
    std::function<void()> accepted;
    // After SetPortOptions.
    std::function<void(const PortOptions&)> portOptionsChanged;

    // Escape or closing the window: the interface goes back to what it was when shown.
    void reject() override;

private:
    void OnOk();
    void LoadControls();
    void FillDeviceList(int port);
    QString DeviceInList(int port) const;

    CUiSeam& ui_;
    CommSettings settings_;
    CommSettings shown_;  // as the dialog was opened
    std::array<QString, 2> chosen_;
    PortOptions ports_;
    QRadioButton* gpib_ = nullptr;
    QRadioButton* serial_ = nullptr;
    CNumberEdit* address_ = nullptr;
    CNumberEdit* port_ = nullptr;
    std::array<QComboBox*, 2> devices_{};
    std::array<QLabel*, 2> deviceLabels_{};
    QCheckBox* log_ = nullptr;
    QString logPath_;
};

}  // namespace kivelo::app
