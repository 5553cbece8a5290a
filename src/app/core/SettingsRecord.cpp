#include "app/core/SettingsRecord.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kivelo::app {

namespace {

constexpr std::size_t kCurrentDirectory = 0;
constexpr std::size_t kCurrentDirectorySize = 256;
constexpr std::size_t kNotes = 256;
constexpr std::size_t kNotesSize = 1024;
constexpr std::size_t kHeaderList = 1280;
constexpr std::size_t kFooterList = 5376;
constexpr std::size_t kInterface = 9472;
constexpr std::size_t kGpibAddress = 9476;
constexpr std::size_t kSerialPort = 9480;
constexpr std::size_t kMainShown = 9484;
constexpr std::size_t kZoomShown = 9488;
constexpr std::size_t kHistoryShown = 9492;
constexpr std::size_t kGraticuleType = 9496;
constexpr std::size_t kLightMode = 9500;
constexpr std::size_t kFrameRect = 9504;
constexpr std::size_t kMainShare = 9520;
constexpr std::size_t kXyShown = 9524;
constexpr std::size_t kHistoryShare = 9528;
constexpr std::size_t kRightShare = 9532;
constexpr std::size_t kRecorderList1 = 9536;
constexpr std::size_t kRecorderList2 = 9792;
constexpr std::size_t kRecorderList3 = 10560;
constexpr std::size_t kRecorderList4 = 10816;
constexpr std::size_t kDivisions = 11584;

constexpr int kSlots = SettingsRecord::kListSlots;
static_assert(kNotes == kCurrentDirectory + kCurrentDirectorySize);
static_assert(kHeaderList == kNotes + kNotesSize);
static_assert(kFooterList == kHeaderList + kSlots * 256);
static_assert(kInterface == kFooterList + kSlots * 256);
static_assert(kMainShare == kFrameRect + 16);
static_assert(kRecorderList1 == kRightShare + 4);
static_assert(kRecorderList2 == kRecorderList1 + kSlots * 16);
static_assert(kRecorderList3 == kRecorderList2 + kSlots * 48);
static_assert(kRecorderList4 == kRecorderList3 + kSlots * 16);
static_assert(kDivisions == kRecorderList4 + kSlots * 48);
static_assert(SettingsRecord::kSize == kDivisions + 4);

struct ListField {
    std::size_t offset;
    std::size_t entrySize;
};

ListField FieldOf(SettingsList list) {
    switch (list) {
    case SettingsList::Header: return {kHeaderList, 256};
    case SettingsList::Footer: return {kFooterList, 256};
    case SettingsList::Recorder1: return {kRecorderList1, 16};
    case SettingsList::Recorder2: return {kRecorderList2, 48};
    case SettingsList::Recorder3: return {kRecorderList3, 16};
    case SettingsList::Recorder4: return {kRecorderList4, 48};
    }
    return {kHeaderList, 256};
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string_view CutSettingsText(std::string_view text, std::size_t fieldSize) {
    if (fieldSize == 0) return {};
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    const std::size_t limit = fieldSize - 1;
    if (text.size() <= limit) return text;
    // Cutting before a continuation byte would split a UTF-8 character: move the
    // cut back to the character's first byte (a UTF-8 character has at most 3
    // continuation bytes; bytes that aren't UTF-8 are cut where they fall).
    std::size_t n = limit;
    for (int back = 0; back < 3 && n > 0 && IsContinuationByte(text[n]); ++back) --n;
    if (IsContinuationByte(text[n])) n = limit;
    return text.substr(0, n);
}

uint32_t SettingsRecord::U32At(std::size_t offset) const {
    const uint8_t* p = bytes_.data() + offset;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void SettingsRecord::SetU32At(std::size_t offset, uint32_t v) {
    uint8_t* p = bytes_.data() + offset;
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

int32_t SettingsRecord::I32At(std::size_t offset) const { return static_cast<int32_t>(U32At(offset)); }
void SettingsRecord::SetI32At(std::size_t offset, int32_t v) { SetU32At(offset, static_cast<uint32_t>(v)); }
float SettingsRecord::FloatAt(std::size_t offset) const { return std::bit_cast<float>(U32At(offset)); }
void SettingsRecord::SetFloatAt(std::size_t offset, float v) { SetU32At(offset, std::bit_cast<uint32_t>(v)); }

std::string SettingsRecord::TextAt(std::size_t offset, std::size_t size) const {
    const char* p = reinterpret_cast<const char*>(bytes_.data() + offset);
    const void* nul = std::memchr(p, 0, size);
    const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : size;
    return std::string(p, length);
}

void SettingsRecord::SetTextAt(std::size_t offset, std::size_t size, std::string_view text) {
    const std::string_view cut = CutSettingsText(text, size);
    uint8_t* p = bytes_.data() + offset;
    if (!cut.empty()) std::memcpy(p, cut.data(), cut.size());
    std::memset(p + cut.size(), 0, size - cut.size());
}

std::string SettingsRecord::CurrentDirectory() const { return TextAt(kCurrentDirectory, kCurrentDirectorySize); }
void SettingsRecord::SetCurrentDirectory(std::string_view text) {
    SetTextAt(kCurrentDirectory, kCurrentDirectorySize, text);
}
std::string SettingsRecord::PrintNotes() const { return TextAt(kNotes, kNotesSize); }
void SettingsRecord::SetPrintNotes(std::string_view text) { SetTextAt(kNotes, kNotesSize, text); }

std::size_t SettingsRecord::ListEntrySize(SettingsList list) { return FieldOf(list).entrySize; }

std::size_t SettingsRecord::ListEntryOffset(SettingsList list, int slot) {
    const ListField f = FieldOf(list);
    return f.offset + static_cast<std::size_t>(slot) * f.entrySize;
}

std::string SettingsRecord::ListEntry(SettingsList list, int slot) const {
    if (slot < 0 || slot >= kSlots) return {};
    const ListField f = FieldOf(list);
    return TextAt(f.offset + static_cast<std::size_t>(slot) * f.entrySize, f.entrySize);
}

void SettingsRecord::SetListEntry(SettingsList list, int slot, std::string_view text) {
    if (slot < 0 || slot >= kSlots) return;
    const ListField f = FieldOf(list);
    SetTextAt(f.offset + static_cast<std::size_t>(slot) * f.entrySize, f.entrySize, text);
}

std::array<std::string, SettingsRecord::kListSlots> SettingsRecord::ListSlots(SettingsList list) const {
    std::array<std::string, kSlots> slots;
    for (int i = 0; i < kSlots; ++i) slots[static_cast<std::size_t>(i)] = ListEntry(list, i);
    return slots;
}

void SettingsRecord::StoreList(SettingsList list, std::span<const std::string> positions) {
    const std::size_t n = std::min(positions.size(), static_cast<std::size_t>(kSlots));
    for (std::size_t i = 0; i < n; ++i) SetListEntry(list, static_cast<int>(i), positions[i]);
}

int32_t SettingsRecord::Interface() const { return I32At(kInterface); }
void SettingsRecord::SetInterface(int32_t v) { SetI32At(kInterface, v); }
int32_t SettingsRecord::GpibAddress() const { return I32At(kGpibAddress); }
void SettingsRecord::SetGpibAddress(int32_t v) { SetI32At(kGpibAddress, v); }
int32_t SettingsRecord::SerialPort() const { return I32At(kSerialPort); }
void SettingsRecord::SetSerialPort(int32_t v) { SetI32At(kSerialPort, v); }
int32_t SettingsRecord::MainShown() const { return I32At(kMainShown); }
void SettingsRecord::SetMainShown(int32_t v) { SetI32At(kMainShown, v); }
int32_t SettingsRecord::ZoomShown() const { return I32At(kZoomShown); }
void SettingsRecord::SetZoomShown(int32_t v) { SetI32At(kZoomShown, v); }
int32_t SettingsRecord::HistoryShown() const { return I32At(kHistoryShown); }
void SettingsRecord::SetHistoryShown(int32_t v) { SetI32At(kHistoryShown, v); }
int32_t SettingsRecord::XyShown() const { return I32At(kXyShown); }
void SettingsRecord::SetXyShown(int32_t v) { SetI32At(kXyShown, v); }
int32_t SettingsRecord::GraticuleType() const { return I32At(kGraticuleType); }
void SettingsRecord::SetGraticuleType(int32_t v) { SetI32At(kGraticuleType, v); }
int32_t SettingsRecord::LightMode() const { return I32At(kLightMode); }
void SettingsRecord::SetLightMode(int32_t v) { SetI32At(kLightMode, v); }
int32_t SettingsRecord::Divisions() const { return I32At(kDivisions); }
void SettingsRecord::SetDivisions(int32_t v) { SetI32At(kDivisions, v); }

FrameRect SettingsRecord::FrameRectangle() const {
    return {I32At(kFrameRect), I32At(kFrameRect + 4), I32At(kFrameRect + 8), I32At(kFrameRect + 12)};
}

void SettingsRecord::SetFrameRectangle(const FrameRect& r) {
    SetI32At(kFrameRect, r.left);
    SetI32At(kFrameRect + 4, r.top);
    SetI32At(kFrameRect + 8, r.right);
    SetI32At(kFrameRect + 12, r.bottom);
}

float SettingsRecord::MainShare() const { return FloatAt(kMainShare); }
void SettingsRecord::SetMainShare(float v) { SetFloatAt(kMainShare, v); }
float SettingsRecord::HistoryShare() const { return FloatAt(kHistoryShare); }
void SettingsRecord::SetHistoryShare(float v) { SetFloatAt(kHistoryShare, v); }
float SettingsRecord::RightShare() const { return FloatAt(kRightShare); }
void SettingsRecord::SetRightShare(float v) { SetFloatAt(kRightShare, v); }
uint32_t SettingsRecord::MainShareBits() const { return U32At(kMainShare); }
uint32_t SettingsRecord::HistoryShareBits() const { return U32At(kHistoryShare); }
uint32_t SettingsRecord::RightShareBits() const { return U32At(kRightShare); }

}  // namespace kivelo::app
