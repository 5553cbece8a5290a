#include "app/core/SettingsCheck.h"

#include <cmath>
#include <cstring>

namespace kivelo::app {

namespace {

constexpr std::size_t kCurrentDirectoryField = 256;
constexpr std::size_t kNotesField = 1024;
// Far outside any screen: a frame placed there is no real one.
constexpr int32_t kFarOff = 100000;

// Length of a well-formed UTF-8 sequence starting at text[i] (0: none).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0x80                 ? 1
                    : c >= 0xC2 && c <= 0xDF ? 2
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4
                                             : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// The field holds its terminator and a printable text before it.
bool TextFieldValid(const SettingsRecord::Bytes& raw, std::size_t offset, std::size_t size, bool multiLine) {
    const char* p = reinterpret_cast<const char*>(raw.data() + offset);
    const void* nul = std::memchr(p, 0, size);
    if (nul == nullptr) return false;
    return PrintableSettingsText(std::string_view(p, static_cast<std::size_t>(static_cast<const char*>(nul) - p)),
                                 multiLine);
}

void ClearField(SettingsRecord& record, std::size_t offset, std::size_t size) {
    std::memset(record.MutableRaw().data() + offset, 0, size);
}

struct IntField {
    const char* name;
    int32_t (SettingsRecord::*get)() const;
    void (SettingsRecord::*set)(int32_t);
    int32_t lo, hi, fallback;
};

}  // namespace

bool PrintableSettingsText(std::string_view text, bool multiLine) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            if (!(multiLine && (c == '\t' || c == '\r' || c == '\n'))) return false;
        }
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

SettingsCheck CheckSettings(SettingsRecord& record) {
    SettingsCheck check;
    auto text = [&](const char* name, std::size_t offset, std::size_t size, bool multiLine) {
        if (TextFieldValid(record.Raw(), offset, size, multiLine)) return;
        check.badFields.emplace_back(name);
        ClearField(record, offset, size);
    };
    text("current directory", 0, kCurrentDirectoryField, false);
    text("print notes", kCurrentDirectoryField, kNotesField, true);

    // clang-format off
    static constexpr struct { SettingsList list; const char* name; } kLists[] = {
        {SettingsList::Header, "header list"},       {SettingsList::Footer, "footer list"},
        {SettingsList::Recorder1, "recorder list 1"}, {SettingsList::Recorder2, "recorder list 2"},
        {SettingsList::Recorder3, "recorder list 3"}, {SettingsList::Recorder4, "recorder list 4"},
    };
    // clang-format on
    for (const auto& l : kLists) {
        const std::size_t size = SettingsRecord::ListEntrySize(l.list);
        bool bad = false;
        for (int slot = 0; slot < SettingsRecord::kListSlots; ++slot) {
            const std::size_t offset = SettingsRecord::ListEntryOffset(l.list, slot);
            if (TextFieldValid(record.Raw(), offset, size, false)) continue;
            bad = true;
            ClearField(record, offset, size);
        }
        if (bad) check.badFields.emplace_back(l.name);
    }

    // The values the program itself writes; the fallbacks are what the load
    // rules make of a zero record, or of any other value where they define one.
    // clang-format off
    static constexpr IntField kInts[] = {
        {"interface", &SettingsRecord::Interface, &SettingsRecord::SetInterface, 0, 1, 0},
        {"GPIB address", &SettingsRecord::GpibAddress, &SettingsRecord::SetGpibAddress, 0, 30, 1},
        {"serial port", &SettingsRecord::SerialPort, &SettingsRecord::SetSerialPort, 0, 2, 1},
        {"Main shown", &SettingsRecord::MainShown, &SettingsRecord::SetMainShown, 0, 1, 1},
        {"Zoom shown", &SettingsRecord::ZoomShown, &SettingsRecord::SetZoomShown, 0, 1, 1},
        {"History shown", &SettingsRecord::HistoryShown, &SettingsRecord::SetHistoryShown, 0, 1, 1},
        {"graticule type", &SettingsRecord::GraticuleType, &SettingsRecord::SetGraticuleType, 0, 2, 0},
        {"light mode", &SettingsRecord::LightMode, &SettingsRecord::SetLightMode, 0, 1, 0},
        {"XY shown", &SettingsRecord::XyShown, &SettingsRecord::SetXyShown, 0, 1, 1},
    };
    // clang-format on
    for (const IntField& f : kInts) {
        const int32_t v = (record.*f.get)();
        if (v >= f.lo && v <= f.hi) continue;
        check.badFields.emplace_back(f.name);
        (record.*f.set)(f.fallback);
    }

    const int32_t divisions = record.Divisions();
    if (divisions != 0 && divisions != 4 && divisions != 8 && divisions != 10 && divisions != 16 && divisions != 20) {
        check.badFields.emplace_back("divisions");
        record.SetDivisions(10);
    }

    const FrameRect r = record.FrameRectangle();
    const bool unset = r == FrameRect{};
    const bool nearScreen = r.left > -kFarOff && r.top > -kFarOff && r.right < kFarOff && r.bottom < kFarOff &&
                            r.right > r.left && r.bottom > r.top;
    if (!unset && !nearScreen) {
        check.badFields.emplace_back("frame rectangle");
        record.SetFrameRectangle({});
    }

    auto share = [&](const char* name, float v, void (SettingsRecord::*set)(float)) {
        if (std::isfinite(v) && v >= 0.0f && v <= 1.0f) return;
        check.badFields.emplace_back(name);
        (record.*set)(0.5f);
    };
    share("Main height share", record.MainShare(), &SettingsRecord::SetMainShare);
    share("History height share", record.HistoryShare(), &SettingsRecord::SetHistoryShare);
    share("right column share", record.RightShare(), &SettingsRecord::SetRightShare);
    return check;
}

}  // namespace kivelo::app
