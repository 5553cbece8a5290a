#pragma once
// The open waveform document: the three reader objects, the one chosen last,
// and the flags the program keeps about it. Loading picks the reader from a
// small table of formats by the path's last three characters.
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "wavefile/CFldFile.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/CWaveFile.h"
#include "wavefile/OpenReport.h"
#include "wavefile/ReadMonitor.h"
#include "wavefile/SummaryStore.h"
#include "wavefile/WavefileOptions.h"

namespace kivelo {

enum class WaveFormat { Wvf, Rtm, Fld };

struct WaveFormatEntry {
    std::string_view ending;  // last three characters, lower case
    WaveFormat format;
    std::unique_ptr<CWaveFile> (*make)();  // a new reader of the format, closed
    bool realtime;
    std::string_view filterText;  // file dialog filter entry, e.g. "Orvantis File (*.wvf)"
};

// The formats the program reads, in the order of the open dialog's filter.
std::span<const WaveFormatEntry> WaveFormats();
// Format named by the path's last three characters, in either letter case.
std::optional<WaveFormat> FormatOfPath(std::string_view path);

inline constexpr std::string_view kInitialCaption = "Waveform Viewer";

class WaveDocument {
public:
    // Summaries within the default budget.
    WaveDocument();
    // Summaries within `summaryBudget` bytes (0: none).
    explicit WaveDocument(int64_t summaryBudget);

    struct LoadResult {
        bool ok = false;
        std::string message;  // what to show when !ok: FailedOpenMessage of the failure
        OpenFailure failure;  // the reader's code and cause when !ok
        std::string warning;  // when ok but the data file holds less than its header describes
    };
    // Closes the open file, then opens `path` as given with the reader of its
    // ending (cache capacity as for Open). An unknown ending is a failed open.
    LoadResult Load(const std::string& path, int64_t cacheCapacity = 0);
    // Closes the current file; nothing happens without one.
    void Close();

    bool IsOpen() const { return open_; }
    bool IsRealtime() const { return open_ && realtime_; }
    // The current file while one is open, else null.
    CWaveFile* Current() { return open_ ? current_ : nullptr; }
    const std::string& Path() const { return path_; }
    const std::string& Model() const { return model_; }
    // "Waveform Viewer", or after an open "Waveform Viewer  " + path + "    Model " + model.
    std::string Caption() const;

    // Given to all three readers.
    void SetReadMonitor(ReadMonitor* monitor);

    CWaveFile& Wvf() { return wvf_; }
    CRtmFile& Rtm() { return rtm_; }
    CFldFile& Fld() { return fld_; }
    // The readers' summaries; they stay when a file is closed, for the next open of it.
    SummaryStore& Summaries() { return summaries_; }
    // What readers of their own of the document's files are opened with.
    WavefileOptions Options() const { return {summaries_.Budget()}; }

private:
    SummaryStore summaries_;  // before the readers: they use it until they are gone
    CWaveFile wvf_;
    CRtmFile rtm_;
    CFldFile fld_;
    CWaveFile* current_ = nullptr;
    bool open_ = false;
    bool realtime_ = false;
    std::string path_;
    std::string model_;
};

// The reader for a path's ending, not yet opened; null (with the failure) for an unknown ending.
std::unique_ptr<CWaveFile> MakeReaderFor(const std::string& path, OpenFailure& failure);

// One reader for one path, opened, owned by the caller: for batch use.
// Null on failure, with the message to show (the one-line form).
std::unique_ptr<CWaveFile> OpenWaveFileAt(const std::string& path, int64_t cacheCapacity, std::string& error,
                                          const WavefileOptions& options = {});

}  // namespace kivelo
