#include "app/core/SettingsRules.h"

#include <cmath>
#include <cstdint>

namespace kivelo::app {

namespace {

constexpr std::array<int, 5> kDivisionChoices{4, 8, 10, 16, 20};
constexpr std::size_t kCurrentDirectoryField = 256;

std::vector<std::string> NonEmptySlots(const SettingsRecord& record, SettingsList list) {
    std::vector<std::string> entries;
    for (std::string& slot : record.ListSlots(list))
        if (!slot.empty()) entries.push_back(std::move(slot));
    return entries;
}

bool IsShare(float v) { return std::isfinite(v) && v >= 0.0f && v <= 1.0f; }

// History and right column shares: taken when the bit pattern read as a signed
// integer is > 0 (so not 0, -0 or negative), and the value is a finite share.
double PositiveShareOr(uint32_t bits, float value, double fallback) {
    if (static_cast<int32_t>(bits) <= 0 || !IsShare(value)) return fallback;
    return value;
}

}  // namespace

int DivisionsPosition(int divisions) {
    for (std::size_t i = 0; i < kDivisionChoices.size(); ++i)
        if (kDivisionChoices[i] == divisions) return static_cast<int>(i);
    return 2;
}

AppliedSettings ApplySettingsRules(const SettingsRecord& record, bool fileRead) {
    AppliedSettings out;
    if (!fileRead) {
        out.graticuleType = 0;
        return out;
    }
    StoredSettings s;

    std::string dir = record.CurrentDirectory();
    if (!dir.empty()) s.currentDirectory = std::move(dir);
    s.notes = record.PrintNotes();

    s.headerEntries = NonEmptySlots(record, SettingsList::Header);
    s.footerEntries = NonEmptySlots(record, SettingsList::Footer);
    s.recorderLists[0] = NonEmptySlots(record, SettingsList::Recorder1);
    s.recorderLists[1] = NonEmptySlots(record, SettingsList::Recorder2);
    s.recorderLists[2] = NonEmptySlots(record, SettingsList::Recorder3);
    s.recorderLists[3] = NonEmptySlots(record, SettingsList::Recorder4);

    s.useGpib = record.Interface() == 1;
    const int32_t address = record.GpibAddress();
    s.gpibAddress = address >= 1 && address <= 30 ? address : 1;
    const int32_t port = record.SerialPort();
    s.serialPort = port == 1 || port == 2 ? port : 1;

    s.mainShown = record.MainShown() != 0;
    s.zoomShown = record.ZoomShown() != 0;
    s.historyShown = record.HistoryShown() != 0;
    s.xyShown = record.XyShown() != 0;

    const int32_t type = record.GraticuleType();
    if (type >= 0 && type <= 2) out.graticuleType = type;

    s.divisionsPosition = DivisionsPosition(record.Divisions());
    s.divisions = kDivisionChoices[static_cast<std::size_t>(s.divisionsPosition)];

    s.lightMode = record.LightMode() == 1;

    const float mainShare = record.MainShare();
    // 0 or 1 would leave the Main or the Zoom window no height at all.
    s.shares.main = IsShare(mainShare) && mainShare > 0.0f && mainShare < 1.0f ? mainShare : 0.5;
    s.shares.history = PositiveShareOr(record.HistoryShareBits(), record.HistoryShare(), 0.5);
    s.shares.right = PositiveShareOr(record.RightShareBits(), record.RightShare(), 0.5);

    out.stored = std::move(s);
    return out;
}

void WriteExitSettings(const ExitSettings& e, SettingsRecord& record) {
    // A cut path would name another folder: one that doesn't fit is not kept.
    const bool dirFits =
        e.currentDirectory.size() < kCurrentDirectoryField && e.currentDirectory.find('\0') == std::string::npos;
    record.SetCurrentDirectory(dirFits ? std::string_view(e.currentDirectory) : std::string_view());
    record.SetPrintNotes(e.notes);
    record.SetInterface(e.useGpib ? 1 : 0);
    record.SetGpibAddress(e.gpibAddress);
    record.SetSerialPort(e.serialPort);
    record.SetMainShown(e.mainShown ? 1 : 0);
    record.SetZoomShown(e.zoomShown ? 1 : 0);
    record.SetHistoryShown(e.historyShown ? 1 : 0);
    record.SetXyShown(e.xyShown ? 1 : 0);
    record.SetLightMode(e.lightMode ? 1 : 0);
    record.SetMainShare(static_cast<float>(e.shares.main));
    record.SetHistoryShare(static_cast<float>(e.shares.history));
    record.SetRightShare(static_cast<float>(e.shares.right));
    if (e.graticuleType) record.SetGraticuleType(*e.graticuleType);
    if (e.divisions) record.SetDivisions(*e.divisions);
}

}  // namespace kivelo::app
