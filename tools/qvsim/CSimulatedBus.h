#pragma once
// A GPIB bus with one board (GPIB0) and one simulated instrument, behind the
// calls of a linux-gpib style library. Each call gives the status words the
// library leaves behind.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "CQvSimulator.h"

namespace kivelo::qvsim {

struct BusResult {
    int status = 0;  // ibsta
    int error = 0;   // iberr, meaningful with the error bit
    long count = 0;  // ibcntl
};

class CSimulatedBus {
public:
    CSimulatedBus();
    // Builds the instrument from the QVSIM_* environment; empty text on success.
    std::string Reconfigure();
    CQvSimulator* Instrument() { return m_instrument.get(); }

    // Descriptor-level calls (ud 0 is the board).
    BusResult Find(const char* name, int& ud);
    BusResult Dev(int board, int pad, int sad, int timo, int eot, int eos, int& ud);
    BusResult Online(int ud, int on);
    BusResult Clear(int ud);
    BusResult InterfaceClear(int ud);
    BusResult SetOption(int ud, char which, int value);  // 'r' sre, 't' tmo, 'e' eos, 'o' eot, 'd' dma
    BusResult Command(int ud, std::span<const std::uint8_t> bytes);
    BusResult Read(int ud, std::span<std::uint8_t> out);
    BusResult Write(int ud, std::span<const std::uint8_t> data);
    BusResult SerialPoll(int ud, std::uint8_t& status);

    // Multi-device calls (board index, packed address).
    BusResult DevClear(int board, int address);
    BusResult Receive(int board, int address, std::span<std::uint8_t> out, int termination);
    BusResult ReceiveSetup(int board, int address);
    BusResult RcvRespMsg(int board, std::span<std::uint8_t> out, int termination);
    BusResult ReadStatusByte(int board, int address, std::uint8_t& status);
    BusResult Send(int board, int address, std::span<const std::uint8_t> data, int endMode);
    BusResult SendCmds(int board, std::span<const std::uint8_t> bytes);
    BusResult SendIFC(int board);

private:
    struct Descriptor {
        bool used = false;
        bool board = false;
        int pad = 0;
        int eos = 0;
        bool eot = true;
    };

    Descriptor* Lookup(int ud);
    bool Present(int pad) const;
    BusResult ReadInstrument(std::span<std::uint8_t> out, int stopChar);
    BusResult WriteInstrument(std::span<const std::uint8_t> data, bool end);
    void ClearDevice();

    std::unique_ptr<CQvSimulator> m_instrument;
    std::vector<Descriptor> m_descriptors;
    int m_talker = -1;         // primary address addressed to talk
    bool m_listening = false;  // the instrument is addressed to listen
};

}  // namespace kivelo::qvsim
