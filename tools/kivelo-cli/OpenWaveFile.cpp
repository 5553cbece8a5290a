#include "OpenWaveFile.h"

#include "CFldFile.h"
#include "CRtmFile.h"
#include "CliArgs.h"

namespace kivelo::cli {

std::unique_ptr<CWaveFile> OpenWaveFile(const std::string& path, int64_t cacheCapacity,
                                        std::string& error) {
    std::unique_ptr<CWaveFile> file;
    if (EndsWithNoCase(path, "wvf")) file = std::make_unique<CWaveFile>();
    else if (EndsWithNoCase(path, "rtm")) file = std::make_unique<CRtmFile>();
    else if (EndsWithNoCase(path, "fld")) file = std::make_unique<CFldFile>();
    if (!file) {
        error = "Cannot oepn this file: " + path + " (the name must end in .wvf, .rtm or .fld)";
        return nullptr;
    }
    if (file->Open(path, cacheCapacity) != kOpenOk) {
        error = "Cannot oepn this file: " + path;
        return nullptr;
    }
    return file;
}

}  // namespace kivelo::cli
