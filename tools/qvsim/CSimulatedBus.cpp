#include "CSimulatedBus.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "port/GpibAbi.h"

namespace kivelo::qvsim {
namespace {

using namespace kivelo::gpib;

// iberr codes of the library.
constexpr int kErrSystem = 0;
constexpr int kErrNoListener = 2;
constexpr int kErrArgument = 4;
constexpr int kErrAborted = 6;
constexpr int kErrNoBoard = 7;

constexpr int kMaxDescriptors = 64;
constexpr int kReadOnEos = 0x0400;
constexpr int kStopEndOnly = 0x0100;

BusResult Ok(long count = 0, bool end = false) { return BusResult{kStatusComplete | (end ? kStatusEnd : 0), 0, count}; }

BusResult Fail(int error, long count = 0) { return BusResult{kStatusError, error, count}; }

}  // namespace

CSimulatedBus::CSimulatedBus() {
    m_descriptors.resize(1);
    m_descriptors[0].used = true;
    m_descriptors[0].board = true;
    m_descriptors[0].eos = 0;
    if (auto error = Reconfigure(); !error.empty()) std::fprintf(stderr, "qvsim-gpib: %s\n", error.c_str());
}

std::string CSimulatedBus::Reconfigure() {
    m_instrument.reset();
    m_talker = -1;
    m_listening = false;
    SimConfig config;
    if (auto error = ApplyEnvironment(config); !error.empty()) return error;
    if (auto error = Finalize(config, std::getenv("QVSIM_FAMILY") != nullptr); !error.empty()) return error;
    m_instrument = std::make_unique<CQvSimulator>(std::move(config));
    return {};
}

CSimulatedBus::Descriptor* CSimulatedBus::Lookup(int ud) {
    if (ud < 0 || ud >= static_cast<int>(m_descriptors.size()) || !m_descriptors[ud].used) return nullptr;
    return &m_descriptors[ud];
}

bool CSimulatedBus::Present(int pad) const { return m_instrument && pad == m_instrument->Config().address; }

void CSimulatedBus::ClearDevice() {
    if (m_instrument) m_instrument->DeviceClear();
}

BusResult CSimulatedBus::ReadInstrument(std::span<std::uint8_t> out, int stopChar) {
    if (out.empty()) return Ok();
    const auto r = m_instrument->Output().Read(out, stopChar);
    const auto count = static_cast<long>(r.count);
    // Nothing more will come: report the time-out at once instead of waiting for it.
    if (r.timedOut) return BusResult{kStatusError | kStatusTimeout, kErrAborted, count};
    return Ok(count, r.end);
}

BusResult CSimulatedBus::WriteInstrument(std::span<const std::uint8_t> data, bool end) {
    m_instrument->Write(data, end);
    return Ok(static_cast<long>(data.size()));
}

BusResult CSimulatedBus::Find(const char* name, int& ud) {
    ud = -1;
    if (name == nullptr) return Fail(kErrArgument);
    if (std::strcmp(name, "GPIB0") != 0) return Fail(kErrNoBoard);
    ud = 0;
    return Ok();
}

BusResult CSimulatedBus::Dev(int board, int pad, int sad, int timo, int eot, int eos, int& ud) {
    ud = -1;
    if (board != 0) return Fail(kErrNoBoard);
    if (pad < 0 || pad > 30 || timo < 0 || timo > 17) return Fail(kErrArgument);
    for (int i = 1; i < kMaxDescriptors; ++i) {
        if (i >= static_cast<int>(m_descriptors.size())) m_descriptors.resize(static_cast<std::size_t>(i) + 1);
        if (!m_descriptors[i].used) {
            m_descriptors[i] = Descriptor{true, false, pad, eos, eot != 0};
            ud = i;
            return Ok();
        }
    }
    return Fail(kErrSystem);
}

BusResult CSimulatedBus::Online(int ud, int on) {
    Descriptor* d = Lookup(ud);
    if (d == nullptr) return Fail(kErrSystem);
    if (!d->board && on == 0) d->used = false;
    return Ok();
}

BusResult CSimulatedBus::Clear(int ud) {
    Descriptor* d = Lookup(ud);
    if (d == nullptr || d->board) return Fail(d == nullptr ? kErrSystem : kErrArgument);
    if (!Present(d->pad)) return Fail(kErrNoListener);
    ClearDevice();
    return Ok();
}

BusResult CSimulatedBus::InterfaceClear(int ud) {
    Descriptor* d = Lookup(ud);
    if (d == nullptr || !d->board) return Fail(d == nullptr ? kErrSystem : kErrArgument);
    return SendIFC(0);
}

BusResult CSimulatedBus::SetOption(int ud, char which, int value) {
    Descriptor* d = Lookup(ud);
    if (d == nullptr) return Fail(kErrSystem);
    if (which == 'e') d->eos = value;
    if (which == 'o') d->eot = value != 0;
    if (which == 't' && (value < 0 || value > 17)) return Fail(kErrArgument);
    return Ok();
}

BusResult CSimulatedBus::Command(int ud, std::span<const std::uint8_t> bytes) {
    Descriptor* d = Lookup(ud);
    if (d == nullptr || !d->board) return Fail(d == nullptr ? kErrSystem : kErrArgument);
    return SendCmds(0, bytes);
}

BusResult CSimulatedBus::Read(int ud, std::span<std::uint8_t> out) {
    // clang-format off
  Descriptor* d = Lookup(ud);
  if (d == nullptr) return Fail(kErrSystem);
  const int stop = (d->eos & kReadOnEos) != 0 ? (d->eos & 0xFF) : -1;
  if (d->board) {
    if (!Present(m_talker)) return Fail(kErrNoListener);
        // clang-format on
        return ReadInstrument(out, stop);
    }
    if (!Present(d->pad)) return Fail(kErrNoListener);
    m_talker = d->pad;
    return ReadInstrument(out, stop);
}

BusResult CSimulatedBus::Write(int ud, std::span<const std::uint8_t> data) {
    Descriptor* d = Lookup(ud);
    if (d == nullptr) return Fail(kErrSystem);
    if (d->board ? !m_listening : !Present(d->pad)) return Fail(kErrNoListener);
    return WriteInstrument(data, d->eot);
}

BusResult CSimulatedBus::SerialPoll(int ud, std::uint8_t& status) {
    Descriptor* d = Lookup(ud);
    if (d == nullptr || d->board) return Fail(d == nullptr ? kErrSystem : kErrArgument);
    if (!Present(d->pad)) return Fail(kErrNoListener);
    status = m_instrument->StatusByte();
    return Ok();
}

BusResult CSimulatedBus::DevClear(int board, int address) {
    if (board != 0) return Fail(kErrNoBoard);
    if (!Present(address & 0xFF)) return Fail(kErrNoListener);
    ClearDevice();
    return Ok();
}

BusResult CSimulatedBus::Receive(int board, int address, std::span<std::uint8_t> out, int termination) {
    if (board != 0) return Fail(kErrNoBoard);
    if (!Present(address & 0xFF)) return Fail(kErrNoListener);
    m_talker = address & 0xFF;
    return ReadInstrument(out, termination == kStopEndOnly ? -1 : (termination & 0xFF));
}

BusResult CSimulatedBus::ReceiveSetup(int board, int address) {
    if (board != 0) return Fail(kErrNoBoard);
    if (!Present(address & 0xFF)) return Fail(kErrNoListener);
    m_talker = address & 0xFF;
    return Ok();
}

BusResult CSimulatedBus::RcvRespMsg(int board, std::span<std::uint8_t> out, int termination) {
    if (board != 0) return Fail(kErrNoBoard);
    if (!Present(m_talker)) return Fail(kErrNoListener);
    return ReadInstrument(out, termination == kStopEndOnly ? -1 : (termination & 0xFF));
}

BusResult CSimulatedBus::ReadStatusByte(int board, int address, std::uint8_t& status) {
    if (board != 0) return Fail(kErrNoBoard);
    if (!Present(address & 0xFF)) return Fail(kErrNoListener);
    status = m_instrument->StatusByte();
    return Ok();
}

BusResult CSimulatedBus::Send(int board, int address, std::span<const std::uint8_t> data, int endMode) {
    if (board != 0) return Fail(kErrNoBoard);
    if (!Present(address & 0xFF)) return Fail(kErrNoListener);
    // End mode 0: no END; 1: LF appended with END; 2: END with the last byte.
    if (endMode < 0 || endMode > 2) return Fail(kErrArgument);
    m_instrument->Write(data, endMode == 2);
    if (endMode == 1) {
        constexpr std::uint8_t lf = '\n';
        m_instrument->Write(std::span(&lf, 1), true);
    }
    return Ok(static_cast<long>(data.size()));
}

BusResult CSimulatedBus::SendCmds(int board, std::span<const std::uint8_t> bytes) {
    if (board != 0) return Fail(kErrNoBoard);
    for (const std::uint8_t b : bytes) {
        const std::uint8_t c = b & 0x7F;
        if (c == 0x3F) m_listening = false;                                        // UNL
        else if (c == 0x5F) m_talker = -1;                                         // UNT
        else if (c >= 0x20 && c <= 0x3E && Present(c - 0x20)) m_listening = true;  // MLA
        else if (c >= 0x40 && c <= 0x5E) m_talker = c - 0x40;                      // MTA
        else if (c == 0x14 || (c == 0x04 && m_listening)) ClearDevice();           // DCL, SDC
    }
    return Ok(static_cast<long>(bytes.size()));
}

BusResult CSimulatedBus::SendIFC(int board) {
    if (board != 0) return Fail(kErrNoBoard);
    m_talker = -1;
    m_listening = false;
    return Ok();
}

}  // namespace kivelo::qvsim
