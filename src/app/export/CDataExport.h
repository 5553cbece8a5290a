#pragma once
// The File menu's CSV and WVF commands: Save as CSV (all data, zoom range),
// Convert to CSV, Convert to WVF and Save as WVF (whole, 1/100, 1/1000). The
// writing runs on the frame's worker behind the busy window, with progress
// and Cancel; a cancelled or failed write leaves nothing behind.
#include <QString>

#include <memory>

#include "export/CsvWriter.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {
class CRtmFile;
}

namespace kivelo::app {

class CCommandHost;

class CDataExport {
public:
    explicit CDataExport(CCommandHost& frame);

    void SaveAllAsCsv();
    void SaveZoomAsCsv();
    void ConvertToCsv();
    // mode 0, 1, 2: whole, 1/100, 1/1000.
    void ConvertToWvf(int mode);
    void SaveAsWvf(int mode);

private:
    // The open record's file once more, with a read cache; null when it can't be opened.
    std::unique_ptr<CWaveFile> OpenReader();
    // Asks for the CSV name, writes it behind the busy window and redraws.
    void WriteCsv(CWaveFile& file, const CsvRequest& request);
    void Convert(CRtmFile& file, int mode, const QString& path, bool documentFile);

    CCommandHost& frame_;
};

}  // namespace kivelo::app
