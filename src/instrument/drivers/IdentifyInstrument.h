#pragma once
// Identification of the connected instrument by "*IDN?".
#include <string_view>

namespace kivelo {

class CInstrumentPort;

// Numeric model identifiers; 0 means not identified.
namespace ModelId {
inline constexpr int kNone = 0;
inline constexpr int kQV818 = 818;  // QV818 and QV818E
inline constexpr int kQV826 = 826;
inline constexpr int kQV3120 = 3120;  // QV3120 and QV3120L
inline constexpr int kQV3140 = 3140;  // QV3140 and QV3140L
inline constexpr int kQV4300 = 4300;
inline constexpr int kQV6010 = 6010;
inline constexpr int kQV6020 = 6020;
inline constexpr int kQV6030 = 6030;
}  // namespace ModelId

// The six-digit model code of an "*IDN?" answer: the decimal number that
// starts at offset 9, read no further than offset 15. 0 when there is none.
int ModelCodeOf(std::string_view idnAnswer);

// Sends "*IDN?", reads the answer, looks the model code up and sends the
// model's setup command. Returns the model identifier, or 0 when the
// instrument did not answer, is unknown (nothing further is sent) or the
// setup command could not be written.
int IdentifyInstrument(CInstrumentPort& port);

}  // namespace kivelo
