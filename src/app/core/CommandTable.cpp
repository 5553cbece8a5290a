#include "app/core/CommandTable.h"

namespace kivelo::app {
namespace {

using R = EnableRule;
constexpr std::string_view kConvertWvfPrompt = "Convert ORVANTIS \"*.rtm\" file to ORVANTIS \"*.wvf\" file";

constexpr CommandEntry kCommands[] = {
    {cmd::kOpen, "File", "", "Open(&O)...", "Ctrl+O", "Open ORVANTIS \"*.wvf\" file or \"*.rtm\" file", R::Always},
    {cmd::kCsvAll, "File", "Save as CSV file", "All data", "",
     "Convert all data to ascii data and save as \"*.csv\" file", R::FileOpenMain},
    {cmd::kCsvZoom, "File", "Save as CSV file", "Zoom range", "",
     "Convert data in zoom window to ascii data and save as \"*.csv\" file", R::FileOpenZoom},
    {cmd::kSaveWvfAll, "File", "Save as WVF file", "All data", "", "", R::Realtime},
    {cmd::kSaveWvf100, "File", "Save as WVF file", "1/100 Compression", "", "", R::Realtime},
    {cmd::kSaveWvf1000, "File", "Save as WVF file", "1/1000 Compression", "", "", R::Realtime},
    {cmd::kClose, "File", "", "Close", "", "Close file ", R::Always},
    {cmd::kPrint, "File", "", "Print(&P)...", "Ctrl+P", "Print", R::Always},
    {cmd::kPrintPreview, "File", "", "Print Preview(&V)", "", "Print Preview", R::Always},
    {cmd::kPrintSetup, "File", "", "Print Setup(&R)...", "", "Print Setup", R::Always},
    {cmd::kPrintFormat, "File", "", "Print Format", "", "Setup header, footer or comment", R::Always},
    {cmd::kConvertCsv, "File", "", "Convert to CSV file", "",
     "Convert ORVANTIS file \"*.wvf\" or \"*.rtm\" to ascii data file \"*.csv\"", R::Always},
    {cmd::kConvertWvfAll, "File", "Convert to WVF file", "All data", "", kConvertWvfPrompt, R::Always},
    {cmd::kConvertWvf100, "File", "Convert to WVF file", "1/100 compression", "", kConvertWvfPrompt, R::Always},
    {cmd::kConvertWvf1000, "File", "Convert to WVF file", "1/1000 compression", "", kConvertWvfPrompt, R::Always},
    {cmd::kBmpAll, "File", "Save  image as BMP file", "All", "", "Save image as BMP file", R::FileOpen},
    {cmd::kBmpMain, "File", "Save  image as BMP file", "Main", "", "Save image of main window as BMP file",
     R::FileOpenMain},
    {cmd::kBmpZoom, "File", "Save  image as BMP file", "Zoom", "", "Save image of zoom window as BMP file",
     R::FileOpenZoom},
    {cmd::kBmpHistory, "File", "Save  image as BMP file", "History", "", "Save image of history window as BMP file",
     R::FileOpenHistory},
    {cmd::kBmpXy, "File", "Save  image as BMP file", "XY", "", "", R::FileOpenXy},
    {cmd::kExport, "File", "", "Export...", "",
     "Export traces as CSV with a time column, HDF5, sigrok session, VCD or WAV", R::FileOpen},
    {cmd::kExit, "File", "", "Exit(&X)", "", "Quit ", R::Always},
    {cmd::kCommSetup, "Comm", "", "Setup Comm Port", "", "Select GPIB address or RS232 port", R::Always},
    {cmd::kDownload, "Comm", "", "Download and Save", "", "Download waveform data and save as WVF file (*.wvf)",
     R::Always},
    {cmd::kRecorderControl, "Comm", "", "Control QV818/826", "",
     "Setup QV818 ( Some setup is not available for other QV )", R::Always},
    {cmd::kMeasureWindow, "Analysis", "", "Measure(&M)", "Ctrl+Shift+M",
     "Show or hide the automatic measurements of the traces in the zoom window", R::Always},
    {cmd::kSpectrumWindow, "Analysis", "", "Spectrum(&S)", "Ctrl+Shift+F",
     "Show or hide the amplitude spectrum of a trace", R::Always},
    {cmd::kAbout, "Help", "", "Version (&A)...", "", "About this application", R::Always},
    {cmd::kSaveThisCsv, "", "", "", "", "Save this file as CSV file", R::FileOpen},
    {cmd::kSaveThisWvf, "", "", "", "", "Save this file as ORVANTIS \"*.wvf\" file", R::Never},
};

}  // namespace

std::span<const CommandEntry> Commands() { return kCommands; }

const CommandEntry* FindCommand(int id) {
    for (const CommandEntry& e : kCommands)
        if (e.id == id) return &e;
    return nullptr;
}

bool IsEnabled(const CommandEntry& entry, const CommandState& s) {
    switch (entry.rule) {
    case R::Always: return true;
    case R::FileOpen: return s.fileOpen;
    case R::FileOpenMain: return s.fileOpen && s.mainShown;
    case R::FileOpenZoom: return s.fileOpen && s.zoomShown;
    case R::FileOpenHistory: return s.fileOpen && s.historyShown;
    case R::FileOpenXy: return s.fileOpen && s.xyShown;
    case R::Realtime: return s.fileOpen && s.realtime;
    case R::Never: return false;
    }
    return false;
}

bool IsEnabled(int id, const CommandState& state) {
    const CommandEntry* e = FindCommand(id);
    return e != nullptr && IsEnabled(*e, state);
}

}  // namespace kivelo::app
