#include "export/ExportFormats.h"

#include <algorithm>
#include <cctype>

#include "export/Hdf5Export.h"
#include "export/SrExport.h"
#include "export/TimeCsvExport.h"
#include "export/VcdExport.h"
#include "export/WavExport.h"

namespace kivelo {

namespace {

template <class T>
std::unique_ptr<ExportFormat> Make() {
    return std::make_unique<T>();
}

// clang-format off
constexpr ExportFormatEntry kFormats[] = {
    {".csv",  "CSV with a time column", Make<TimeCsvExport>},
    {".h5",   "HDF5",                   Make<Hdf5Export>},
    {".hdf5", "HDF5",                   Make<Hdf5Export>},
    {".sr",   "sigrok session",         Make<SrExport>},
    {".vcd",  "VCD",                    Make<VcdExport>},
    {".wav",  "WAV",                    Make<WavExport>},
};
// clang-format on

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

std::span<const ExportFormatEntry> ExportFormats() { return kFormats; }

const ExportFormatEntry* ExportFormatOfPath(std::string_view path) {
    for (const ExportFormatEntry& e : kFormats)
        if (EndsWithNoCase(path, e.ending)) return &e;
    return nullptr;
}

std::string ExportEndingsText() {
    std::string text;
    for (std::size_t i = 0; i < std::size(kFormats); ++i) {
        if (i > 0) text += i + 1 == std::size(kFormats) ? " or " : ", ";
        text += kFormats[i].ending;
    }
    return text;
}

}  // namespace kivelo
