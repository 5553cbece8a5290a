#pragma once
// CSV with a time column (.csv from the export): a header line with the time
// column's title and each trace's name and unit, then one row per sample: its
// time in seconds and each trace's physical value. A layout of its own; the
// CSV files of CsvWriter are unchanged by it. One record per file.
#include "export/ExportFormat.h"

namespace kivelo {

class TimeCsvExport : public ExportFormat {
public:
    bool Write(const ExportContext& context, StagedFile& out) override;
};

}  // namespace kivelo
