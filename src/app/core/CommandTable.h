#pragma once
// The program's commands: ids, menu places and texts, shortcuts, status-bar
// prompts and when each is enabled. The Qt frame builds its menus from this
// table and attaches a handler to every entry it implements.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kivelo::app {

// What the enabling rules look at.
struct CommandState {
    bool fileOpen = false;
    bool realtime = false;  // the open file is a realtime file
    bool mainShown = true;
    bool zoomShown = true;
    bool historyShown = true;
    bool xyShown = true;
};

enum class EnableRule { Always, FileOpen, FileOpenMain, FileOpenZoom, FileOpenHistory, FileOpenXy, Realtime, Never };

struct CommandEntry {
    int id;
    std::string_view menu;      // top-level menu: "File", "Comm", "Analysis", "Help"; empty: no menu entry
    std::string_view submenu;   // submenu text, empty for a direct entry
    std::string_view text;      // entry text with its "&" mnemonic
    std::string_view shortcut;  // Qt key sequence text, empty for none
    std::string_view prompt;    // status-bar prompt, empty for none
    EnableRule rule;
};

namespace cmd {
inline constexpr int kOpen = 57601;
inline constexpr int kClose = 32800;
inline constexpr int kExit = 57665;
inline constexpr int kAbout = 57664;
inline constexpr int kCsvAll = 32781;
inline constexpr int kCsvZoom = 32782;
inline constexpr int kSaveWvfAll = 32785;
inline constexpr int kSaveWvf100 = 32786;
inline constexpr int kSaveWvf1000 = 32787;
inline constexpr int kPrint = 57607;
inline constexpr int kPrintPreview = 57609;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kPrintFormat = 32802;
inline constexpr int kConvertCsv = 32771;
inline constexpr int kConvertWvfAll = 32780;
inline constexpr int kConvertWvf100 = 32778;
inline constexpr int kConvertWvf1000 = 32779;
inline constexpr int kBmpAll = 32791;
inline constexpr int kBmpMain = 32792;
inline constexpr int kBmpZoom = 32795;
inline constexpr int kBmpHistory = 32794;
inline constexpr int kBmpXy = 32807;
inline constexpr int kCommSetup = 32797;
inline constexpr int kDownload = 32798;
inline constexpr int kRecorderControl = 32805;
inline constexpr int kSaveThisCsv = 32773;
inline constexpr int kSaveThisWvf = 32774;
inline constexpr int kExport = 32900;  // File > Export..., the program's own
inline constexpr int kMeasureWindow = 33001;
inline constexpr int kSpectrumWindow = 33002;
}  // namespace cmd

// Every command in menu order.
std::span<const CommandEntry> Commands();
const CommandEntry* FindCommand(int id);
bool IsEnabled(const CommandEntry& entry, const CommandState& state);
bool IsEnabled(int id, const CommandState& state);

// Texts of the status bar's indicator panes.
inline constexpr std::array<std::string_view, 4> kIndicatorTexts{"??", "CAP", "NUM", "SCRL"};
inline constexpr std::string_view kReadyPrompt = "Ready";

}  // namespace kivelo::app
