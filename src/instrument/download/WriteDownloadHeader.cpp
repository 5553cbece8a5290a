#include "instrument/download/WriteDownloadHeader.h"

#include "export/HeaderWriter.h"
#include "instrument/drivers/CreateDriver.h"

namespace kivelo {

int WriteDownloadHeader(int modelId, const std::string& headerPath, CInstrumentPort& port, DownloadPlan& plan,
                        const DownloadHeaderOptions& options, int* detail) {
    // The download writes the private section only.
    const std::unique_ptr<CInstrument> driver = CreateDriver(modelId, HeaderSwitches{});
    driver->SetHeaderPath(headerPath);
    driver->Attach(port, plan);
    CHeaderFileOutput output(
        options.overwrite ? CHeaderFileOutput::OpenMode::Truncate : CHeaderFileOutput::OpenMode::CreateNew,
        options.cancelFlag);
    const int result = WriteHeader(*driver, output);
    if (detail != nullptr) *detail = result;
    return result == kHeaderWritten ? 0 : 1;
}

}  // namespace kivelo
