#include "app/instrument/CCommSetupDialog.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/instrument/CNumberEdit.h"
#include "app/ui/CUiSeam.h"
#include "instrument/download/CommDeviceChoice.h"
#include "instrument/download/SerialDeviceList.h"

namespace kivelo::app {

namespace {

QLabel* InfoText(const QString& text, const QString& name, const QString& description, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text.trimmed());
    label->setAccessibleDescription(description);
    return label;
}

// The range message of a number edit, as the platform's dialogs word it.
QString RangeMessage(int low, int high) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high);
}

}  // namespace

CCommSetupDialog::CCommSetupDialog(CUiSeam& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("CommSetupDialog"));
    setWindowTitle(QStringLiteral("Communication Setup"));
    setAccessibleName(QStringLiteral("Communication Setup"));
    setAccessibleDescription(QStringLiteral("Select GPIB address or RS232 port"));
    setModal(false);

    gpib_ = new QRadioButton(QStringLiteral("GPIB"), this);
    gpib_->setObjectName(QStringLiteral("id1053"));
    gpib_->setAccessibleName(QStringLiteral("GPIB"));
    gpib_->setAccessibleDescription(QStringLiteral("The instrument is connected by GPIB"));
    serial_ = new QRadioButton(QStringLiteral("RS232"), this);
    serial_->setObjectName(QStringLiteral("id1054"));
    serial_->setAccessibleName(QStringLiteral("RS232"));
    serial_->setAccessibleDescription(QStringLiteral("The instrument is connected by RS-232"));
    auto* choice = new QButtonGroup(this);
    choice->addButton(gpib_);
    choice->addButton(serial_);

    auto* addressLabel = new QLabel(QStringLiteral("Address"), this);
    addressLabel->setObjectName(QStringLiteral("labelAddress"));
    address_ = new CNumberEdit(1, 30, this);
    address_->setObjectName(QStringLiteral("id1057"));
    address_->setProperty("upDownId", QStringLiteral("id1058"));
    address_->setAccessibleName(QStringLiteral("Address"));
    address_->setAccessibleDescription(QStringLiteral("GPIB primary address, 1 to 30"));
    addressLabel->setBuddy(address_);
    auto* portLabel = new QLabel(QStringLiteral("Port"), this);
    portLabel->setObjectName(QStringLiteral("labelPort"));
    port_ = new CNumberEdit(1, 2, this);
    port_->setObjectName(QStringLiteral("id1060"));
    port_->setProperty("upDownId", QStringLiteral("id1061"));
    port_->setAccessibleName(QStringLiteral("Port"));
    port_->setAccessibleDescription(QStringLiteral("RS232 port: 1 for COM1, 2 for COM2"));
    portLabel->setBuddy(port_);

    const QString line = QStringLiteral("RS232 line settings (fixed)");
    auto* info = new QGridLayout;
    info->addWidget(InfoText(QStringLiteral(" 19200 BPS"), QStringLiteral("labelBaud"), line, this), 0, 0);
    info->addWidget(InfoText(QStringLiteral(" 8 - NO - 1"), QStringLiteral("labelFrame"), line, this), 0, 1);
    info->addWidget(InfoText(QStringLiteral(" CTS-RTS"), QStringLiteral("labelFlow"), line, this), 1, 0);
    info->addWidget(InfoText(QStringLiteral("Term: LF"), QStringLiteral("labelTerm"), line, this), 1, 1);

    auto* numbers = new QGridLayout;
    numbers->addWidget(gpib_, 0, 0);
    numbers->addWidget(addressLabel, 0, 1);
    numbers->addWidget(address_, 0, 2);
    numbers->addWidget(serial_, 1, 0);
    numbers->addWidget(portLabel, 1, 1);
    numbers->addWidget(port_, 1, 2);
    numbers->setColumnStretch(3, 1);

    auto* devices = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        const QString com = QStringLiteral("COM%1").arg(i + 1);
        deviceLabels_[i] = new QLabel(com + QStringLiteral(" device"), this);
        deviceLabels_[i]->setObjectName(QStringLiteral("labelCom%1Device").arg(i + 1));
        devices_[i] = new QComboBox(this);
        devices_[i]->setObjectName(QStringLiteral("comboCom%1Device").arg(i + 1));
        devices_[i]->setEditable(true);
        devices_[i]->setInsertPolicy(QComboBox::NoInsert);
        devices_[i]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        devices_[i]->setMinimumContentsLength(18);
        devices_[i]->setAccessibleName(com + QStringLiteral(" device"));
        devices_[i]->setAccessibleDescription(QStringLiteral("The serial device opened for ") + com +
                                              QStringLiteral("; a path may be typed"));
        devices_[i]->view()->setAccessibleName(com + QStringLiteral(" devices"));
        devices_[i]->view()->verticalScrollBar()->setAccessibleName(com + QStringLiteral(" devices scroll bar"));
        devices_[i]->view()->horizontalScrollBar()->setAccessibleName(com + QStringLiteral(" devices scroll bar"));
        deviceLabels_[i]->setBuddy(devices_[i]);
        devices->addWidget(deviceLabels_[i], i, 0);
        devices->addWidget(devices_[i], i, 1);
    }
    devices->setColumnStretch(1, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("idOK"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setAccessibleDescription(QStringLiteral("Take the address, the port and the devices"));
    ok->setDefault(true);

    log_ = new QCheckBox(QStringLiteral("Log the communication"), this);
    log_->setObjectName(QStringLiteral("checkCommLog"));
    log_->setAccessibleName(QStringLiteral("Log the communication"));
    SetCommLog(QString(), false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(log_);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->addLayout(numbers);
    layout->addLayout(info);
    layout->addLayout(devices);
    layout->addLayout(buttons);

    // The interface changes at once, with or without OK.
    connect(gpib_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) settings_.useGpib = 1;
    });
    connect(serial_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) settings_.useGpib = 0;
    });
    connect(ok, &QPushButton::clicked, this, &CCommSetupDialog::OnOk);

    LoadControls();
    resize(QSize(270, 180).expandedTo(minimumSizeHint()));
}

void CCommSetupDialog::SetSettings(const CommSettings& settings) {
    settings_ = settings;
    LoadControls();
}

void CCommSetupDialog::SetCommLog(const QString& path, bool on) {
    logPath_ = path;
    log_->setChecked(on && !path.isEmpty());
    log_->setEnabled(!path.isEmpty());
    const QString what = QStringLiteral("Write every command and answer, with times, to ") + path;
    log_->setAccessibleDescription(what);
    log_->setToolTip(what);
}

bool CCommSetupDialog::CommLogOn() const { return log_->isChecked() && !logPath_.isEmpty(); }

void CCommSetupDialog::SetChosenDevice(int port, const QString& path) {
    chosen_[port == 1 ? 0 : 1] = path.trimmed();
    FillDeviceList(port);
}

void CCommSetupDialog::SetPortOptions(const PortOptions& options) {
    ports_ = options;
    FillDeviceList(1);
    FillDeviceList(2);
    if (portOptionsChanged) portOptionsChanged(ports_);
}

void CCommSetupDialog::LoadControls() {
    (settings_.useGpib == 1 ? gpib_ : serial_)->setChecked(true);
    address_->setValue(settings_.gpibAddress);
    port_->setValue(settings_.serialPort);
    FillDeviceList(1);
    FillDeviceList(2);
}

void CCommSetupDialog::FillDeviceList(int port) {
    const int i = port == 1 ? 0 : 1;
    QComboBox* combo = devices_[i];
    combo->clear();
    const QString override = QString::fromStdString(SerialOverride(ports_, port));
    if (!override.isEmpty()) {
        // The environment decides; the list would only mislead.
        const QString variable = QString::fromLatin1(SerialOverrideVariable(port));
        combo->addItem(override + QStringLiteral("  (") + variable + QLatin1Char(')'), override);
        combo->setEnabled(false);
        combo->setToolTip(variable + QStringLiteral(" is set, so ") + override + QStringLiteral(" is used"));
        return;
    }
    combo->setEnabled(true);
    combo->setToolTip(QString());
    const QString fallback = QString::fromStdString(ports_.SerialDevicePath(i));
    combo->addItem(QStringLiteral("Default (") + fallback + QLatin1Char(')'), QString());
    int current = 0;
    for (const SerialDevice& device : ListSerialDevices()) {
        const QString path = QString::fromStdString(device.path);
        combo->addItem(QString::fromStdString(device.label), path);
        if (path == chosen_[i] || QString::fromStdString(device.kernel) == chosen_[i]) current = combo->count() - 1;
    }
    if (!chosen_[i].isEmpty() && current == 0) {
        // Chosen earlier or typed, and not among what the machine shows now: keep it.
        combo->addItem(chosen_[i], chosen_[i]);
        current = combo->count() - 1;
    }
    combo->setCurrentIndex(current);
}

QString CCommSetupDialog::DeviceInList(int port) const {
    const QComboBox* combo = devices_[port == 1 ? 0 : 1];
    if (!combo->isEnabled()) return chosen_[port == 1 ? 0 : 1];
    const int index = combo->currentIndex();
    const QString text = combo->currentText().trimmed();
    if (index >= 0 && combo->itemText(index) == combo->currentText()) return combo->itemData(index).toString();
    return text;
}

void CCommSetupDialog::ShowAt(QPoint topLeft) {
    shown_ = settings_;
    LoadControls();
    setGeometry(QRect(topLeft, QSize(270, 180).expandedTo(minimumSizeHint())));
    show();
    raise();
    activateWindow();
    (settings_.useGpib == 1 ? gpib_ : serial_)->setFocus(Qt::OtherFocusReason);
}

void CCommSetupDialog::reject() {
    if (isVisible()) {
        settings_ = shown_;
        LoadControls();
    }
    QDialog::reject();
}

void CCommSetupDialog::OnOk() {
    address_->interpretText();
    port_->interpretText();
    const int address = address_->value();
    if (!CommSettings::IsValidGpibAddress(address)) {
        ui_.Message(this, RangeMessage(1, 30), QString(), MsgIcon::Exclamation);
        address_->setFocus(Qt::OtherFocusReason);
        address_->selectAll();
        return;
    }
    const int port = port_->value();
    if (!CommSettings::IsValidSerialPort(port)) {
        ui_.Message(this, RangeMessage(1, 2), QString(), MsgIcon::Exclamation);
        port_->setFocus(Qt::OtherFocusReason);
        port_->selectAll();
        return;
    }
    settings_.gpibAddress = address;
    settings_.serialPort = port;
    for (int p = 1; p <= 2; ++p) chosen_[p - 1] = DeviceInList(p);
    hide();
    if (accepted) accepted();
}

}  // namespace kivelo::app
