#pragma once
// Text commands and answers over a port.
#include <cstddef>
#include <string>
#include <string_view>

namespace kivelo {

class CInstrumentPort;

// Most bytes an instrument answer may have.
inline constexpr std::size_t kMaxAnswerBytes = 100;

// WriteBytes of the command with its exact length; the port adds the
// terminator. true on success.
bool WriteCommand(CInstrumentPort& port, std::string_view command);

// Reads one answer of at most kMaxAnswerBytes bytes. The text ends at its
// first NUL; a trailing LF is dropped. true on success; answer is untouched
// on failure.
bool ReadAnswer(CInstrumentPort& port, std::string& answer);

}  // namespace kivelo
