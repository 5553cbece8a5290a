#pragma once
// The rules between the settings record and the program: what a loaded
// record makes the frame apply, and what the frame writes into the record at
// exit. The Qt frame only applies or fills plain structs.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/core/SettingsRecord.h"
#include "display/WindowLayout.h"

namespace kivelo::app {

// What a read settings file gives the program.
struct StoredSettings {
    // The folder to make the current directory; none when the field is empty.
    std::optional<std::string> currentDirectory;
    // The NOTES text (empty when the field is).
    std::string notes;
    // The non-empty slots of each list, in slot order.
    std::vector<std::string> headerEntries;
    std::vector<std::string> footerEntries;
    std::array<std::vector<std::string>, 4> recorderLists;  // lists 1..4 of the recorder control dialog
    // useGpib: interface is 1. gpibAddress and serialPort are the stored
    // values when within the dialog's accepted ranges (1..30, 1..2), else the
    // defaults 1: an address from 31 on would turn the portCode into a serial
    // configuration word.
    bool useGpib = true;
    int gpibAddress = 1;
    int serialPort = 1;
    // A stored value other than 0 shows the window.
    bool mainShown = true;
    bool zoomShown = true;
    bool historyShown = true;
    bool xyShown = true;
    // 4, 8, 10, 16 or 20 (any other stored value gives 10), and its
    // position 0..4 in the divisions list.
    int divisions = 10;
    int divisionsPosition = 2;
    // The stored value is 1.
    bool lightMode = false;
    // Main: the stored value when it is a number strictly between 0 and 1, else 0.5 (a
    // NaN or an out-of-range share would break the layout). history and right:
    // the stored value when its bit pattern read as a signed integer is > 0 and
    // it is finite and at most 1, else 0.5.
    LayoutShares shares;
};

struct AppliedSettings {
    // The graticule type to press (button 1005, 1006, 1009) and
    // give to the display: 0 when the file was missing, none when the stored
    // value is not 0, 1 or 2 (no button is pressed, the display keeps its type).
    std::optional<int> graticuleType;
    // None when the file was missing: nothing else is applied.
    std::optional<StoredSettings> stored;
};

AppliedSettings ApplySettingsRules(const SettingsRecord& record, bool fileRead);

// Position 0..4 of a divisions value in the list "4", "8", "10", "16", "20";
// any other value is taken as 10 (position 2).
int DivisionsPosition(int divisions);

// What the frame puts into the record at exit (and, for graticule type and
// divisions, whenever they are chosen).
struct ExitSettings {
    std::string currentDirectory;  // stored only when it fits its 256-byte field, else emptied
    std::string notes;             // cut to 1023 bytes
    bool useGpib = true;           // interface 1, else 0
    int gpibAddress = 1;
    int serialPort = 1;
    bool mainShown = true;
    bool zoomShown = true;
    bool historyShown = true;
    bool xyShown = true;
    bool lightMode = false;
    LayoutShares shares;
    std::optional<int> graticuleType;  // written when set
    std::optional<int> divisions;      // written when set
};

void WriteExitSettings(const ExitSettings& settings, SettingsRecord& record);

}  // namespace kivelo::app
