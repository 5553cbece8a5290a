#pragma once
// The records and files the settings tests build: a full record, random bytes, a file of given bytes.
#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/core/SettingsRecord.h"

namespace kivelo::test {

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> RandomBytes(std::size_t n, uint32_t seed, int lo = 0, int hi = 255) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(lo, hi);
    std::vector<uint8_t> b(n);
    for (uint8_t& v : b) v = static_cast<uint8_t>(byte(rng));
    return b;
}

inline std::vector<uint8_t> Bytes(const app::SettingsRecord& r) { return {r.Raw().begin(), r.Raw().end()}; }

// A record the program could have written: every field set and in range, UTF-8
// in a header, and random bytes after every text's terminator (bytes the
// program reads past nowhere, but must keep).
inline app::SettingsRecord FullRecord() {
    app::SettingsRecord r;
    const std::vector<uint8_t> random = RandomBytes(app::SettingsRecord::kSize, 7);
    auto& raw = r.MutableRaw();
    std::copy(random.begin(), random.end(), raw.begin());
    auto put = [&raw](std::size_t at, const std::string& s) {
        std::copy(s.begin(), s.end(), raw.begin() + static_cast<std::ptrdiff_t>(at));
        raw[at + s.size()] = 0;
    };
    put(0, "/home/user/records");
    put(256, "Notes line 1\r\nline 2");
    for (int i = 0; i < 16; ++i) {
        put(1280 + 256 * i, "header " + std::to_string(i));
        put(5376 + 256 * i, "footer " + std::to_string(i));
        put(9536 + 16 * i, "F" + std::to_string(i));
        put(9792 + 48 * i, "comment " + std::to_string(i));
        put(10560 + 16 * i, "G" + std::to_string(i));
        put(10816 + 48 * i, "remark " + std::to_string(i));
    }
    put(1280, "Bench 3 \xc2\xb5V");
    r.SetInterface(1);
    r.SetGpibAddress(7);
    r.SetSerialPort(2);
    r.SetMainShown(1);
    r.SetZoomShown(0);
    r.SetHistoryShown(1);
    r.SetXyShown(0);
    r.SetGraticuleType(2);
    r.SetLightMode(1);
    r.SetFrameRectangle({10, 20, 810, 620});
    r.SetMainShare(0.625f);
    r.SetHistoryShare(0.375f);
    r.SetRightShare(0.25f);
    r.SetDivisions(16);
    return r;
}

}  // namespace kivelo::test
