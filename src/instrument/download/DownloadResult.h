#pragma once
// Results of the download phases and the texts the user sees for them.
#include <cstdint>
#include <string>

#include "instrument/download/CommTarget.h"

namespace kivelo {

enum DownloadResult : int {
    kDownloadOk = 0,
    kDownloadFileError = 1,    // the files could not be written
    kDownloadPortError = 2,    // a write or read on the port failed
    kDownloadNoAnswer = 3,     // no answer, or the instrument was not identified
    kDownloadInterrupted = 4,  // cancelled by the user
};

inline constexpr const char* kErrorCaption = "ERROR";
inline constexpr const char* kInformationCaption = "INFORMATION";
inline constexpr const char* kNoResponseText = "No response.";
inline constexpr const char* kCannotSaveText = "Cannot save.";
inline constexpr const char* kInterruptedText = "Comunication was interruped";

// Fewest points per record worth downloading.
inline constexpr int32_t kMinDownloadLength = 20;

// "No response." followed by the address or port line.
std::string NoResponseMessage(const CommTarget& target);
// The refusal of a record shorter than 20 points.
std::string TooFewPointsMessage(int model, int traceCount, int length);
// The question before the transfer, with the estimate text.
std::string InformationMessage(int model, int traceCount, int length, const std::string& estimate);
// What to tell the user after a failed phase; empty for success.
std::string DownloadResultMessage(int result, const CommTarget& target);
// A message for a one-line log: each line break (with the blanks after it) becomes one blank.
std::string MessageOnOneLine(const std::string& message);

}  // namespace kivelo
