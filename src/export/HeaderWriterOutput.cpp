#include "export/HeaderWriterOutput.h"

namespace kivelo {

void CHeaderFileOutput::FileCloser::operator()(std::FILE* file) const {
    if (file != nullptr) std::fclose(file);
}

CHeaderFileOutput::CHeaderFileOutput(OpenMode mode, const std::atomic<bool>* cancelFlag)
    : mode_(mode), cancelFlag_(cancelFlag) {}

CHeaderFileOutput::~CHeaderFileOutput() = default;

bool CHeaderFileOutput::Open(const std::string& path) {
    file_.reset();
    if (path.empty()) return false;
    // "x": fail when the file exists instead of replacing it.
    file_.reset(std::fopen(path.c_str(), mode_ == OpenMode::CreateNew ? "wbx" : "wb"));
    return file_ != nullptr;
}

CHeaderOutput::WriteResult CHeaderFileOutput::Write(std::string_view bytes) {
    if (cancelFlag_ != nullptr && cancelFlag_->load()) return WriteResult::Cancelled;
    if (!file_) return WriteResult::Failed;
    if (bytes.empty()) return WriteResult::Ok;
    return std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) == bytes.size() ? WriteResult::Ok
                                                                                   : WriteResult::Failed;
}

bool CHeaderFileOutput::Close() {
    if (!file_) return true;
    std::FILE* file = file_.release();
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return flushed && closed;
}

}  // namespace kivelo
