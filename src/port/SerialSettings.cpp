#include "port/SerialSettings.h"

namespace kivelo {

namespace {

enum class Flow { keep, none, xonXoff, dsrDtr, cts };

// Table index from a "value + 1" field; -1 keeps, -2 is out of range.
int FieldIndex(uint32_t field, int tableSize) {
    if (field == 0) return -1;
    return field <= static_cast<uint32_t>(tableSize) ? static_cast<int>(field) - 1 : -2;
}

struct Decoded {
    int port = -1;
    int byteSize = -1;
    int stopBits = -1;
    int parity = -1;
    int baud = -1;
    Flow flow = Flow::keep;
};

bool Commit(SerialSettings& s, const Decoded& d) {
    if (d.byteSize == -2 || d.stopBits == -2 || d.parity == -2 || d.baud == -2) return false;
    if (d.port >= 0) s.portIndex = d.port;
    if (d.byteSize >= 0) s.byteSizeIndex = d.byteSize;
    if (d.stopBits >= 0) s.stopBitsIndex = d.stopBits;
    if (d.parity >= 0) s.parityIndex = d.parity;
    if (d.baud >= 0) s.baudIndex = d.baud;
    if (d.flow != Flow::keep) {
        s.xonXoff = d.flow == Flow::xonXoff;
        s.dsrDtr = d.flow == Flow::dsrDtr;
        s.ctsRts = d.flow == Flow::cts;
    }
    return true;
}

// COM1 for 1, COM2 for any other nonzero value; -1 keeps.
int PortIndex(long port) { return port == 0 ? -1 : (port == 1 ? 0 : 1); }

}  // namespace

bool SerialSettings::ApplyConfigWord(uint32_t word) {
    Decoded d;
    d.port = PortIndex(static_cast<long>(word & 0x3u));
    d.byteSize = FieldIndex((word >> 2) & 0x3u, static_cast<int>(kSerialByteSizeTable.size()));
    d.stopBits = FieldIndex((word >> 4) & 0x3u, kSerialStopBitsCount);
    d.parity = FieldIndex((word >> 6) & 0x7u, kSerialParityCount);
    const uint32_t flow = word & 0x3C00u;
    d.flow = flow == 0        ? Flow::keep
             : flow == 0x0800 ? Flow::xonXoff
             : flow == 0x0C00 ? Flow::dsrDtr
             : flow == 0x1000 ? Flow::cts
                              : Flow::none;
    d.baud = FieldIndex((word >> 14) & 0xFu, static_cast<int>(kSerialBaudTable.size()));
    if (!Commit(*this, d)) return false;
    charDelayMs = static_cast<int>((word >> 18) & 0x7FFFu);
    return true;
}

bool SerialSettings::ApplyParameters(int port, int byteSize, int stopBits, int parity, int baud, int flow) {
    auto field = [](int value, int tableSize) {
        return value < 0 ? -2 : FieldIndex(static_cast<uint32_t>(value), tableSize);
    };
    Decoded d;
    d.port = PortIndex(port);
    d.byteSize = field(byteSize, static_cast<int>(kSerialByteSizeTable.size()));
    d.stopBits = field(stopBits, kSerialStopBitsCount);
    d.parity = field(parity, kSerialParityCount);
    d.baud = field(baud, static_cast<int>(kSerialBaudTable.size()));
    d.flow = flow == 0   ? Flow::keep
             : flow == 2 ? Flow::xonXoff
             : flow == 3 ? Flow::dsrDtr
             : flow == 4 ? Flow::cts
                         : Flow::none;
    return Commit(*this, d);
}

}  // namespace kivelo
