#include "instrument/download/CommConnection.h"

#include "port/CInstrumentPort.h"
#include "port/CSerialPort.h"
#include "port/PortTable.h"

namespace kivelo {

namespace {
std::string Described(const CommTarget& target) {
    if (target.IsGpib()) return "GPIB address " + std::to_string(target.portCode);
    if (!target.serialDevice.empty()) return "RS232 " + target.serialDevice;
    return "RS232 COM" + std::to_string(target.SerialPortNumber());
}
}  // namespace

CInstrumentPort& SelectPort(PortTable& ports, const CommTarget& target) {
    if (!target.serialDevice.empty()) return ports.SerialPort();
    return ports.Select(target.portCode);
}

CommConnection::CommConnection(CInstrumentPort& port, const CommTarget& target, const std::atomic<bool>* cancel)
    : port_(port), framing_(target.IsGpib() ? BlockFraming::kEndByEoi : BlockFraming::kEndByLineFeed) {
    port_.SetCancelFlag(cancel);
    int result = CInstrumentPort::kFailure;
    auto* serial = dynamic_cast<CSerialPort*>(&port_);
    if (!target.serialDevice.empty() && serial != nullptr)
        result = serial->OpenDevice(target.serialDevice, target.portCode);
    else result = port_.Open(target.portCode);
    open_ = result == CInstrumentPort::kOk;
    port_.LogNote("open " + Described(target) + (open_ ? "" : ": failed"));
    if (open_) {
        port_.InterfaceClear(1);
        port_.SetTerminator(kTermLf, 1);
    }
}

CommConnection::~CommConnection() {
    if (open_) {
        port_.Close();
        port_.LogNote("close");
    }
    port_.SetCancelFlag(nullptr);
}

}  // namespace kivelo
