#pragma once
// Line log of what the simulated instrument received and did. Without a path
// nothing is written.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kivelo::qvsim {

class CSimLog {
public:
    explicit CSimLog(const std::string& path);
    bool IsOpen() const { return m_file != nullptr; }
    // tag: '>' received message, '<' answer, '=' action taken, '!' refused.
    void Write(char tag, std::string_view text);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
};

}  // namespace kivelo::qvsim
