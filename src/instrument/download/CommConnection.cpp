#include "instrument/download/CommConnection.h"

#include "port/CInstrumentPort.h"
#include "port/CSerialPort.h"
#include "port/PortTable.h"

namespace kivelo {

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
    if (open_) {
        port_.InterfaceClear(1);
        port_.SetTerminator(kTermLf, 1);
    }
}

CommConnection::~CommConnection() {
    if (open_) port_.Close();
    port_.SetCancelFlag(nullptr);
}

}  // namespace kivelo
