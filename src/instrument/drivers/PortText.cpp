#include "instrument/drivers/PortText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "port/CInstrumentPort.h"

namespace kivelo {

bool WriteCommand(CInstrumentPort& port, std::string_view command) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(command.data());
    return port.WriteBytes(std::span<const uint8_t>(bytes, command.size())) == CInstrumentPort::kOk;
}

bool ReadAnswer(CInstrumentPort& port, std::string& answer) {
    std::array<uint8_t, kMaxAnswerBytes + 1> buffer{};
    std::size_t count = 0;
    if (port.Read(buffer, count) != CInstrumentPort::kOk) return false;
    count = std::min(count, kMaxAnswerBytes);
    std::string_view text(reinterpret_cast<const char*>(buffer.data()), count);
    text = text.substr(0, text.find('\0'));
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    answer.assign(text);
    return true;
}

}  // namespace kivelo
