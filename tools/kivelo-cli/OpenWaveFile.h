#pragma once
// Opens a waveform file with the reader named by its last three characters.
#include <cstdint>
#include <memory>
#include <string>

#include "CWaveFile.h"

namespace kivelo::cli {

// "wvf", "rtm" or "fld" in any letter case pick the reader. nullptr when the file
// can't be opened; error then holds the one line to show.
std::unique_ptr<CWaveFile> OpenWaveFile(const std::string& path, int64_t cacheCapacity,
                                        std::string& error);

}  // namespace kivelo::cli
