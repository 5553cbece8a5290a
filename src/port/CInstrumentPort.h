#pragma once
// The one interface every instrument exchange goes through. Drivers and the
// download only ever see this class; GPIB and RS-232 sit behind it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivelo {

class CWireLog;

// Message terminator modes shared by all ports.
//   0: CR LF written, serial reads stop at LF after CR (refused on GPIB)
//   1: CR written, reads stop at CR
//   2: LF written, reads stop at LF
//   3: binary, nothing written; GPIB reads stop at EOI only, serial at LF
inline constexpr int kTermCrLf = 0;
inline constexpr int kTermCr = 1;
inline constexpr int kTermLf = 2;
inline constexpr int kTermBinary = 3;

// The line end a text write appends in a terminator mode: CR LF, CR, else LF.
// (The GPIB device-level port sends nothing extra in binary mode.)
inline std::string_view WriteTerminator(int mode) {
    return mode == kTermCrLf ? "\r\n" : (mode == kTermCr ? "\r" : "\n");
}

// portCode values from this one on are serial configuration words, below it
// GPIB primary addresses.
inline constexpr int kFirstSerialPortCode = 31;

class CInstrumentPort {
public:
    // Results of every operation.
    static constexpr int kOk = 0;
    static constexpr int kFailure = 1;

    CInstrumentPort() = default;
    virtual ~CInstrumentPort() = default;
    CInstrumentPort(const CInstrumentPort&) = delete;
    CInstrumentPort& operator=(const CInstrumentPort&) = delete;

    // The base answers store what they are given and succeed, so a test double
    // only overrides what it needs.
    virtual int OpenBoard(int16_t board, int address);      // 0
    virtual int Open(int address);                          // 1
    virtual int InterfaceClear(int unused = 0);             // 2
    virtual int DeviceClear();                              // 3
    virtual int WriteBytes(std::span<const uint8_t> data);  // 4
    virtual int WriteString(std::string_view text);         // 5
    // Reads at most buffer.size() - 1 bytes and stores a NUL after the bytes
    // read, so pass a buffer one byte longer than the most you want. count is
    // the number of data bytes stored (also on failure).
    virtual int Read(std::span<uint8_t> buffer, std::size_t& count);          // 6
    virtual int PrepareRead();                                                // 7
    virtual int ReadResponse(std::span<uint8_t> buffer, std::size_t& count);  // 8
    // 1 while the sender has not yet marked the end of its message.
    virtual int IsMoreData();                                         // 9
    virtual int SendCommandBytes(std::span<const uint8_t> commands);  // 10
    virtual int SetRemoteEnable(int flag);                            // 11
    // result 0: out untouched, returns 0. Otherwise out gets the port's
    // description of the last failure with context in it; returns result.
    virtual int FormatError(int result, std::string_view context, std::string& out);  // 12
    virtual int SetTerminator(int mode, int eoiFlag);                                 // 13
    virtual int SetEosChar(uint8_t character);                                        // 14
    virtual int SetTimeout(int ms);                                                   // 15
    virtual int SetDma(int flag);                                                     // 16
    virtual int ReadStatusByte(uint8_t& statusByte);                                  // 17
    virtual int Close();                                                              // 18

    // Lets another thread (a signal handler's flag, say) abandon a blocking
    // read or write: ports that can block check the flag while they wait and
    // return kFailure soon after it becomes true. The caller tells a cancel
    // from a bus failure by looking at its own flag. nullptr: not cancellable.
    void SetCancelFlag(const std::atomic<bool>* flag) { cancelFlag_ = flag; }
    bool IsCancelled() const { return cancelFlag_ != nullptr && cancelFlag_->load(); }

    // Every write and read of the port goes to log too (nullptr: none). The
    // log must outlive its use by the port.
    void SetWireLog(CWireLog* log) { wireLog_ = log; }
    // A line about the connection (opened, closed) for the wire log.
    void LogNote(std::string_view text) const;

    int Address() const { return address_; }
    int TerminatorMode() const { return terminatorMode_; }

protected:
    // For the ports' writes and reads: hands what passed to the wire log.
    void LogSent(std::span<const uint8_t> bytes, int result) const;
    void LogReceived(std::span<const uint8_t> bytes, int result) const;

    int address_ = 1;
    int timeoutMs_ = 10000;
    int terminatorMode_ = kTermLf;
    int eoi_ = 1;

private:
    const std::atomic<bool>* cancelFlag_ = nullptr;
    CWireLog* wireLog_ = nullptr;
};

}  // namespace kivelo
