#pragma once
// RS-232 port on a POSIX terminal device. Open takes a packed configuration
// word as its portCode; transfers go one byte per system call, and every write
// gets the terminator of the current mode.
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "common/UniqueFd.h"
#include "port/CInstrumentPort.h"
#include "port/PortOptions.h"
#include "port/SerialSettings.h"

namespace kivelo {

class CSerialPort : public CInstrumentPort {
public:
    static constexpr int kDefaultReadTimeoutMs = 5000;
    static constexpr int kDefaultWriteTimeoutMs = 2000;
    static constexpr int kPortCount = 2;  // COM1, COM2

    explicit CSerialPort(PortOptions options = {}) : options_(std::move(options)) {}
    ~CSerialPort() override;

    // Decodes the word and opens COM1/COM2 (see DevicePath). Reopening an open
    // port closes it first.
    int Open(int configWord) override;
    // Opens the named terminal device with the word's line settings; the
    // word's port field only chooses which port's time-outs apply.
    int OpenDevice(const std::string& path, int configWord);

    int WriteBytes(std::span<const uint8_t> data) override;
    int WriteString(std::string_view text) override;
    int Read(std::span<uint8_t> buffer, std::size_t& count) override;
    int ReadResponse(std::span<uint8_t> buffer, std::size_t& count) override;
    int FormatError(int result, std::string_view context, std::string& out) override;
    int SetTerminator(int mode, int eoiFlag) override;
    int SetTimeout(int ms) override;
    // Discards pending input and output, closes the device; 1 if not open.
    int Close() override;

    int SetCommParameters(int port, int byteSize, int stopBits, int parity, int baud, int flow);
    // Read and write time-outs of the current port; 0 or less waits without limit.
    int SetCommTimeouts(int readMs, int writeMs);

    bool IsOpen() const { return fd_.IsOpen(); }
    const SerialSettings& Settings() const { return settings_; }
    int ReadTimeoutMs() const { return timeouts_[Current()].readMs; }
    int WriteTimeoutMs() const { return timeouts_[Current()].writeMs; }

    // The device of COM1 (portIndex 0) or COM2, as the options name it.
    std::string DevicePath(int portIndex) const { return options_.SerialDevicePath(portIndex); }

private:
    struct Timeouts {
        int readMs = kDefaultReadTimeoutMs;
        int writeMs = kDefaultWriteTimeoutMs;
    };

    // Closes, decodes the word and opens path, or the word's COM port.
    int Reopen(int configWord, const std::optional<std::string>& path);
    int OpenPath(const std::string& path);
    int SendWithTerminator(std::span<const uint8_t> data);
    // One byte through io (a read or write of one byte), waiting up to
    // timeoutMs each time the device is not ready.
    template <class Io>
    bool TransferByte(Io io, short events, int timeoutMs);
    bool SendByte(uint8_t byte);
    bool ReadByte(uint8_t& byte);
    bool AtTerminator(std::span<const uint8_t> stored) const;
    // Waits for the device to become ready for events; false on time-out,
    // cancel or error.
    void DrainOutput();
    bool WaitReady(short events, int timeoutMs);
    bool Delay(int ms);
    std::size_t Current() const { return static_cast<std::size_t>(settings_.portIndex); }

    PortOptions options_;
    SerialSettings settings_;
    std::array<Timeouts, kPortCount> timeouts_{};
    UniqueFd fd_;
};

}  // namespace kivelo
