#include "app/analysis/PrivateReader.h"

#include "wavefile/WaveDocument.h"

namespace kivelo::app {

CWaveFile* PrivateReader::Get(const std::string& path, uint64_t generation, std::string& error) {
    if (file_ && path == path_ && generation == generation_) return file_.get();
    file_.reset();
    cache_.Clear();
    file_ = OpenWaveFileAt(path, 0, error, options_);
    path_ = path;
    generation_ = generation;
    return file_.get();
}

}  // namespace kivelo::app
