#pragma once
// Line settings of the RS-232 port and their packed configuration word.
#include <array>
#include <cstddef>
#include <cstdint>

namespace kivelo {

inline constexpr std::array<int, 11> kSerialBaudTable = {110,  300,   600,   1200,  2400, 4800,
                                                         9600, 14400, 19200, 38400, 56000};
inline constexpr std::array<int, 2> kSerialByteSizeTable = {7, 8};
// Parity indexes: 0 none, 1 even, 2 odd, 3 mark, 4 space.
inline constexpr int kSerialParityCount = 5;
// Stop-bit indexes: 0 one, 1 one and a half, 2 two.
inline constexpr int kSerialStopBitsCount = 3;

// The configuration words the communication setup hands out: 19200 baud,
// 8 data bits, no parity, 1 stop bit, CTS flow control, COM1 / COM2.
inline constexpr uint32_t kSerialWordCom1 = 0x25059;
inline constexpr uint32_t kSerialWordCom2 = 0x2505A;

struct SerialSettings {
    int portIndex = 0;  // 0 COM1, 1 COM2
    int baudIndex = 6;
    int byteSizeIndex = 1;
    int parityIndex = 0;
    int stopBitsIndex = 0;
    bool xonXoff = false;
    bool dsrDtr = false;
    bool ctsRts = false;
    int charDelayMs = 0;

    // Decodes a configuration word (a field of 0 keeps the current value).
    // A field naming no table entry makes the whole word invalid: false, and
    // nothing is changed.
    bool ApplyConfigWord(uint32_t word);

    // The same with separate arguments: port 1 COM1, other nonzero COM2;
    // byte size, stop bits, parity and baud are table index + 1 (0 keeps);
    // flow 2 XON/XOFF, 3 DSR/DTR, 4 CTS, other nonzero none.
    bool ApplyParameters(int port, int byteSize, int stopBits, int parity, int baud, int flow);

    int Baud() const { return kSerialBaudTable[static_cast<std::size_t>(baudIndex)]; }
    int ByteSize() const { return kSerialByteSizeTable[static_cast<std::size_t>(byteSizeIndex)]; }
};

}  // namespace kivelo
