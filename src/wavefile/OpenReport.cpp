#include "wavefile/OpenReport.h"

namespace kivelo {

std::string FailedOpenMessage(std::string_view cause, MessageForm form) {
    if (form == MessageForm::Line) return "Cannot oepn this file: " + std::string(cause);
    std::string text(kCannotOpenMessage);
    if (!cause.empty()) text += "\n" + std::string(cause);
    return text;
}

std::string ShortDataWarning(std::string_view path, int64_t fileBytes, int64_t describedBytes,
                             std::span<const ShortTrace> traces) {
    std::string text = std::string(path) + " holds " + std::to_string(fileBytes) + " of the " +
                       std::to_string(describedBytes) + " bytes its header describes:";
    const char* separator = " ";
    for (const ShortTrace& t : traces) {
        text += separator;
        separator = "; ";
        text += "W" + std::to_string(t.trace + 1) + " has ";
        int absentFrom = t.block;
        if (t.present > 0) {
            text += std::to_string(t.present) + " of " + std::to_string(t.expected) + " samples in block " +
                    std::to_string(t.block);
            absentFrom = t.block + 1;
            if (absentFrom > t.lastBlock) continue;
            text += " and ";
        }
        text += "nothing ";
        text += absentFrom == t.lastBlock
                    ? "in block " + std::to_string(absentFrom)
                    : "from block " + std::to_string(absentFrom) + " to " + std::to_string(t.lastBlock);
    }
    return text;
}

}  // namespace kivelo
