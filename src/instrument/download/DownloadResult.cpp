#include "instrument/download/DownloadResult.h"

namespace kivelo {

namespace {
std::string ModelLines(int model, int traceCount, int length) {
    return "MODEL: " + std::to_string(model) + "\nNUMBER OF CH: " + std::to_string(traceCount) +
           "\nDATA LENGTH: " + std::to_string(length) + "\n";
}
}  // namespace

std::string NoResponseMessage(const CommTarget& target) { return kNoResponseText + target.PortLine(); }

std::string TooFewPointsMessage(int model, int traceCount, int length) {
    return ModelLines(model, traceCount, length) + "\n More than 20 data is required!";
}

std::string InformationMessage(int model, int traceCount, int length, const std::string& estimate) {
    return ModelLines(model, traceCount, length) + "About " + estimate;
}

std::string DownloadResultMessage(int result, const CommTarget& target) {
    switch (result) {
    case kDownloadOk: return {};
    case kDownloadFileError: return kCannotSaveText;
    case kDownloadInterrupted: return kInterruptedText;
    default: return NoResponseMessage(target);
    }
}

std::string MessageOnOneLine(const std::string& message) {
    std::string line;
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] != '\n') {
            line += message[i];
            continue;
        }
        while (i + 1 < message.size() && (message[i + 1] == '\n' || message[i + 1] == ' ')) ++i;
        if (!line.empty() && i + 1 < message.size()) line += ' ';
    }
    return line;
}

}  // namespace kivelo
