#pragma once
// Runs a shell command line, for the tests that read outputs back with other
// programs, and splits what it printed into lines or words.
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace kivelo::test {

struct ToolRun {
    int code = -1;
    std::string out;
};

// Its standard output captured; errors go where the test's go unless redirected.
inline ToolRun Shell(const std::string& command) {
    ToolRun r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Whether a check command line (`command -v x`, a Python import) succeeds.
inline bool Have(const std::string& check) { return Shell(check + " >/dev/null 2>&1").code == 0; }

inline std::vector<std::string> SplitWords(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace kivelo::test
