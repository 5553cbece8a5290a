#include "wavefile/WaveDocument.h"

#include <array>
#include <cctype>

namespace kivelo {
namespace {

template <class Reader>
std::unique_ptr<CWaveFile> Make() {
    return std::make_unique<Reader>();
}

// clang-format off
constexpr std::array<WaveFormatEntry, 3> kFormats{{
    {"wvf", WaveFormat::Wvf, &Make<CWaveFile>, false, "Orvantis File (*.wvf)"},
    {"rtm", WaveFormat::Rtm, &Make<CRtmFile>, true, "Realtime File (*.rtm)"},
    {"fld", WaveFormat::Fld, &Make<CFldFile>, false, "Floating File (*.fld)"},
}};
// clang-format on

const WaveFormatEntry* EntryOf(std::string_view path) {
    if (path.size() < 3) return nullptr;
    std::string end(path.substr(path.size() - 3));
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const WaveFormatEntry& e : kFormats)
        if (e.ending == end) return &e;
    return nullptr;
}

OpenFailure UnknownEnding(const std::string& path) {
    return {kOpenNoHeader, path + ": the name must end in .wvf, .rtm or .fld"};
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

WaveDocument::WaveDocument() : WaveDocument(DefaultSummaryBudget()) {}

WaveDocument::WaveDocument(int64_t summaryBudget) : summaries_(summaryBudget) {
    if (summaryBudget <= 0) return;
    wvf_.SetSummaryStore(&summaries_);
    rtm_.SetSummaryStore(&summaries_);
    fld_.SetSummaryStore(&summaries_);
}

WaveDocument::LoadResult WaveDocument::Load(const std::string& path, int64_t cacheCapacity) {
    Close();
    const WaveFormatEntry* entry = EntryOf(path);
    if (!entry) {
        const OpenFailure failure = UnknownEnding(path);
        return {false, FailedOpenMessage(failure.cause), failure, {}};
    }
    CWaveFile* file = entry->format == WaveFormat::Rtm   ? static_cast<CWaveFile*>(&rtm_)
                      : entry->format == WaveFormat::Fld ? static_cast<CWaveFile*>(&fld_)
                                                         : &wvf_;
    current_ = file;
    realtime_ = entry->realtime;
    if (file->Open(path, cacheCapacity) != kOpenOk) {
        const OpenFailure failure = file->GetOpenFailure();
        file->Close();
        return {false, FailedOpenMessage(failure.cause), failure, {}};
    }
    open_ = true;
    path_ = path;
    file->GetModel(model_);
    model_ = FieldText(model_);
    return {true, {}, {}, file->GetShortDataWarning()};
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

std::unique_ptr<CWaveFile> MakeReaderFor(const std::string& path, OpenFailure& failure) {
    const WaveFormatEntry* entry = EntryOf(path);
    if (!entry) {
        failure = UnknownEnding(path);
        return nullptr;
    }
    return entry->make();
}

std::unique_ptr<CWaveFile> OpenWaveFileAt(const std::string& path, int64_t cacheCapacity, std::string& error,
                                          const WavefileOptions& options) {
    OpenFailure failure;
    std::unique_ptr<CWaveFile> file = MakeReaderFor(path, failure);
    if (file) {
        file->SetSummaryBudget(options.summaryBudget);
        if (file->Open(path, cacheCapacity) == kOpenOk) return file;
        failure = file->GetOpenFailure();
    }
    error = FailedOpenMessage(failure.cause, MessageForm::Line);
    return nullptr;
}

}  // namespace kivelo
