#pragma once
// The export formats, one row each, chosen by the output file's ending.
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "export/ExportFormat.h"

namespace kivelo {

struct ExportFormatEntry {
    std::string_view ending;  // lower case, with its dot
    std::string_view title;   // as the export dialog names the format
    std::unique_ptr<ExportFormat> (*make)();
};

// Every row; a format with two endings has two rows, its first one first.
std::span<const ExportFormatEntry> ExportFormats();
// The row of the path's ending, in either letter case; null when none fits.
const ExportFormatEntry* ExportFormatOfPath(std::string_view path);
// ".h5, .hdf5, .sr, .vcd, .wav or .csv": for messages.
std::string ExportEndingsText();

}  // namespace kivelo
