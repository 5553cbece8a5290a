#include "port/PortTable.h"

namespace kivelo {

PortTable::PortTable(const PortOptions& options) : options_(options), library_(options.gpibLibrary) {}

CInstrumentPort& PortTable::At(std::size_t index) {
    switch (index) {
    case 0: return devicePort_;
    case 1:
    case 2:
    case 3: return gpibPort_;
    default: return serialPort_;
    }
}

CInstrumentPort& PortTable::Select(int portCode) { return At(portCode < kFirstSerialPortCode ? 1 : 4); }

void PortTable::SetWireLog(CWireLog* log) {
    for (std::size_t i = 0; i < kSize; ++i) At(i).SetWireLog(log);
}

}  // namespace kivelo
