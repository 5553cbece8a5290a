#pragma once
// A port that plays the instrument from a script: it records every command
// written and answers each read with the answer scripted for the last query.
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "CInstrumentPort.h"

namespace kivelo::test {

class ScriptedPort : public CInstrumentPort {
public:
    // Answer text (without LF) for each query, by exact command text.
    std::map<std::string, std::string> answers;
    // Consulted when answers has no entry; nullopt makes the read fail.
    std::function<std::optional<std::string>(const std::string&)> fallback;
    // Commands whose write fails.
    std::set<std::string> failingWrites;
    // Queries whose read fails.
    std::set<std::string> failingReads;
    // Appended to every answer (the instrument's terminator).
    std::string terminator = "\n";

    // Every exchange in order: "W:text" (WriteBytes), "S:text" (WriteString),
    // "R:answer" (a read and what it returned), "R!" (a failed read).
    std::vector<std::string> log;

    int WriteBytes(std::span<const uint8_t> data) override {
        return Written("W:", std::string(reinterpret_cast<const char*>(data.data()), data.size()));
    }
    int WriteString(std::string_view text) override { return Written("S:", std::string(text)); }

    int Read(std::span<uint8_t> buffer, std::size_t& count) override {
        count = 0;
        std::optional<std::string> answer;
        if (!failingReads.contains(lastQuery_)) {
            if (auto it = answers.find(lastQuery_); it != answers.end()) answer = it->second;
            else if (fallback) answer = fallback(lastQuery_);
        }
        if (!answer) {
            log.push_back("R!");
            return kFailure;
        }
        log.push_back("R:" + *answer);
        const std::string bytes = *answer + terminator;
        count = std::min(bytes.size(), buffer.size() - 1);
        std::memcpy(buffer.data(), bytes.data(), count);
        buffer[count] = 0;
        return kOk;
    }

    // The commands written (both kinds), without the reads.
    std::vector<std::string> Commands() const {
        std::vector<std::string> out;
        for (const std::string& entry : log) {
            if (entry.starts_with("W:") || entry.starts_with("S:")) out.push_back(entry.substr(2));
        }
        return out;
    }

private:
    int Written(const char* kind, std::string text) {
        log.push_back(kind + text);
        lastQuery_ = text;
        return failingWrites.contains(text) ? kFailure : kOk;
    }

    std::string lastQuery_;
};

// A small temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);

}  // namespace kivelo::test
