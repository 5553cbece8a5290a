#include "CSimLog.h"

namespace kivelo::qvsim {

CSimLog::CSimLog(const std::string& path) {
    if (!path.empty()) m_file.reset(std::fopen(path.c_str(), "a"));
}

void CSimLog::Write(char tag, std::string_view text) {
    if (!m_file) return;
    std::fprintf(m_file.get(), "%c %.*s\n", tag, static_cast<int>(text.size()), text.data());
    std::fflush(m_file.get());
}

}  // namespace kivelo::qvsim
