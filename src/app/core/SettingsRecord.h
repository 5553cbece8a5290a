#pragma once
// The settings record stored as kivelo.stp: 11,588 bytes; integers
// 32-bit little-endian and floats IEEE 754 32-bit little-endian whatever the
// host; texts NUL-terminated in fixed fields. The record is its raw bytes, so
// whatever the program does not interpret (bytes after a text's terminator,
// values it never reads) survives a load and a save untouched.
//
//   offset  size      field
//        0  256       current directory
//      256  1024      print notes
//     1280  16 x 256  header list
//     5376  16 x 256  footer list
//     9472  4         interface (1 = GPIB, other = RS-232)
//     9476  4         GPIB address
//     9480  4         serial port
//     9484  4         Main shown
//     9488  4         Zoom shown
//     9492  4         History shown
//     9496  4         graticule type
//     9500  4         light mode
//     9504  16        frame rectangle: left, top, right, bottom
//     9520  4         Main height share (float)
//     9524  4         XY shown
//     9528  4         History height share (float)
//     9532  4         right column share (float)
//     9536  16 x 16   recorder list 1
//     9792  16 x 48   recorder list 2
//    10560  16 x 16   recorder list 3
//    10816  16 x 48   recorder list 4
//    11584  4         divisions
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivelo::app {

struct FrameRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const FrameRect&, const FrameRect&) = default;
};

// The six list fields of 16 slots each.
enum class SettingsList { Header, Footer, Recorder1, Recorder2, Recorder3, Recorder4 };

class SettingsRecord {
public:
    static constexpr std::size_t kSize = 11588;
    static constexpr int kListSlots = 16;
    using Bytes = std::array<uint8_t, kSize>;

    SettingsRecord() = default;  // all bytes zero

    const Bytes& Raw() const { return bytes_; }
    Bytes& MutableRaw() { return bytes_; }
    void Clear() { bytes_.fill(0); }

    // Texts. A getter returns the bytes up to the first NUL or the end of the
    // field, whichever comes first, so a field without a terminator never reads
    // past itself. A setter stores the text up to its first NUL, cut to the field
    // size minus the terminator (never inside a UTF-8 sequence), and zeroes the
    // rest of the field.
    std::string CurrentDirectory() const;
    void SetCurrentDirectory(std::string_view text);
    std::string PrintNotes() const;
    void SetPrintNotes(std::string_view text);  // at most 1023 bytes kept

    // One slot (0..15) of a list; slots outside 0..15 read empty and are not written.
    std::string ListEntry(SettingsList list, int slot) const;
    void SetListEntry(SettingsList list, int slot, std::string_view text);
    std::array<std::string, kListSlots> ListSlots(SettingsList list) const;
    // Store lists: list position i (0..15) into slot i; a slot whose position
    // doesn't exist keeps its earlier content; positions from 16 on are ignored.
    void StoreList(SettingsList list, std::span<const std::string> positions);
    // Bytes of one slot including its terminator: 256, 16 or 48.
    static std::size_t ListEntrySize(SettingsList list);
    // Offset of a slot (0..15) in the record.
    static std::size_t ListEntryOffset(SettingsList list, int slot);

    // Integers.
    int32_t Interface() const;
    void SetInterface(int32_t v);
    int32_t GpibAddress() const;
    void SetGpibAddress(int32_t v);
    int32_t SerialPort() const;
    void SetSerialPort(int32_t v);
    int32_t MainShown() const;
    void SetMainShown(int32_t v);
    int32_t ZoomShown() const;
    void SetZoomShown(int32_t v);
    int32_t HistoryShown() const;
    void SetHistoryShown(int32_t v);
    int32_t XyShown() const;
    void SetXyShown(int32_t v);
    int32_t GraticuleType() const;
    void SetGraticuleType(int32_t v);
    int32_t LightMode() const;
    void SetLightMode(int32_t v);
    int32_t Divisions() const;
    void SetDivisions(int32_t v);
    FrameRect FrameRectangle() const;
    void SetFrameRectangle(const FrameRect& r);

    // Shares, as floats and as their stored bit patterns.
    float MainShare() const;
    void SetMainShare(float v);
    float HistoryShare() const;
    void SetHistoryShare(float v);
    float RightShare() const;
    void SetRightShare(float v);
    uint32_t MainShareBits() const;
    uint32_t HistoryShareBits() const;
    uint32_t RightShareBits() const;

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;

private:
    uint32_t U32At(std::size_t offset) const;
    void SetU32At(std::size_t offset, uint32_t v);
    int32_t I32At(std::size_t offset) const;
    void SetI32At(std::size_t offset, int32_t v);
    float FloatAt(std::size_t offset) const;
    void SetFloatAt(std::size_t offset, float v);
    std::string TextAt(std::size_t offset, std::size_t size) const;
    void SetTextAt(std::size_t offset, std::size_t size, std::string_view text);

    Bytes bytes_{};
};

// The text as a setter stores it in a field of fieldSize bytes: up to its first
// NUL, at most fieldSize - 1 bytes, not ending inside a UTF-8 sequence.
std::string_view CutSettingsText(std::string_view text, std::size_t fieldSize);

}  // namespace kivelo::app
