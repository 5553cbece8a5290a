#include "wavefile/WaveDocument.h"

#include <array>
#include <cctype>

namespace kivelo {
namespace {

constexpr std::array<WaveFormatEntry, 3> kFormats{{
    {"wvf", WaveFormat::Wvf, false, "Orvantis File (*.wvf)"},
    {"rtm", WaveFormat::Rtm, true, "Realtime File (*.rtm)"},
    {"fld", WaveFormat::Fld, false, "Floating File (*.fld)"},
}};

const WaveFormatEntry* EntryOf(std::string_view path) {
    if (path.size() < 3) return nullptr;
    std::string end(path.substr(path.size() - 3));
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const WaveFormatEntry& e : kFormats)
        if (e.ending == end) return &e;
    return nullptr;
}

std::unique_ptr<CWaveFile> MakeReader(WaveFormat format) {
    switch (format) {
    case WaveFormat::Rtm: return std::make_unique<CRtmFile>();
    case WaveFormat::Fld: return std::make_unique<CFldFile>();
    case WaveFormat::Wvf: break;
    }
    return std::make_unique<CWaveFile>();
}

// Model texts are fixed 20-character fields.
std::string FieldText(std::string text) {
    if (const size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    if (text.size() > 19) text.resize(19);
    return text;
}

}  // namespace

std::span<const WaveFormatEntry> WaveFormats() { return kFormats; }

std::optional<WaveFormat> FormatOfPath(std::string_view path) {
    const WaveFormatEntry* e = EntryOf(path);
    if (!e) return std::nullopt;
    return e->format;
}

WaveDocument::WaveDocument() : WaveDocument(SummaryBudgetFromEnvironment()) {}

WaveDocument::WaveDocument(int64_t summaryBudget) : summaries_(summaryBudget) {
    if (summaryBudget <= 0) return;
    wvf_.SetSummaryStore(&summaries_);
    rtm_.SetSummaryStore(&summaries_);
    fld_.SetSummaryStore(&summaries_);
}

WaveDocument::LoadResult WaveDocument::Load(const std::string& path, int64_t cacheCapacity) {
    Close();
    const WaveFormatEntry* entry = EntryOf(path);
    if (!entry) return {false, std::string(kCannotOpenMessage)};
    CWaveFile* file = entry->format == WaveFormat::Rtm   ? static_cast<CWaveFile*>(&rtm_)
                      : entry->format == WaveFormat::Fld ? static_cast<CWaveFile*>(&fld_)
                                                         : &wvf_;
    current_ = file;
    realtime_ = entry->realtime;
    if (file->Open(path, cacheCapacity) != kOpenOk) {
        file->Close();
        return {false, std::string(kCannotOpenMessage)};
    }
    open_ = true;
    path_ = path;
    file->GetModel(model_);
    model_ = FieldText(model_);
    return {true, {}};
}

void WaveDocument::Close() {
    if (open_ && current_) current_->Close();
    open_ = false;
    path_.clear();
    model_.clear();
}

std::string WaveDocument::Caption() const {
    if (!open_) return std::string(kInitialCaption);
    return std::string(kInitialCaption) + "  " + path_ + "    Model " + model_;
}

void WaveDocument::SetReadMonitor(ReadMonitor* monitor) {
    wvf_.SetReadMonitor(monitor);
    rtm_.SetReadMonitor(monitor);
    fld_.SetReadMonitor(monitor);
}

std::unique_ptr<CWaveFile> OpenWaveFileAt(const std::string& path, int64_t cacheCapacity, std::string& error) {
    const std::optional<WaveFormat> format = FormatOfPath(path);
    if (!format) {
        error = "Cannot oepn this file: " + path + " (the name must end in .wvf, .rtm or .fld)";
        return nullptr;
    }
    std::unique_ptr<CWaveFile> file = MakeReader(*format);
    file->SetSummaryBudget(SummaryBudgetFromEnvironment());
    if (file->Open(path, cacheCapacity) != kOpenOk) {
        error = "Cannot oepn this file: " + path;
        return nullptr;
    }
    return file;
}

}  // namespace kivelo
