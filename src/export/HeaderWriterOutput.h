#pragma once
// The byte sink the header writer writes to: a file, or anything a test
// provides. A write can fail or be cancelled; the writer stops at either.
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kivelo {

class CHeaderOutput {
public:
    enum class WriteResult { Ok, Failed, Cancelled };

    virtual ~CHeaderOutput() = default;
    // Opens path for writing in byte mode. true on success.
    virtual bool Open(const std::string& path) = 0;
    virtual WriteResult Write(std::string_view bytes) = 0;
    // Flushes and closes; false when the data did not all reach the file.
    // Closing an output that is not open succeeds.
    virtual bool Close() = 0;
};

// A header file on disk.
class CHeaderFileOutput : public CHeaderOutput {
public:
    enum class OpenMode {
        // Refuse a path that already exists, so no file of the user's is
        // ever overwritten.
        CreateNew,
        // Truncate an existing file.
        Truncate,
    };

    explicit CHeaderFileOutput(OpenMode mode = OpenMode::CreateNew, const std::atomic<bool>* cancelFlag = nullptr);
    ~CHeaderFileOutput() override;

    bool Open(const std::string& path) override;
    WriteResult Write(std::string_view bytes) override;
    bool Close() override;

private:
    struct FileCloser {
        void operator()(std::FILE* file) const;
    };

    OpenMode mode_;
    const std::atomic<bool>* cancelFlag_;
    std::unique_ptr<std::FILE, FileCloser> file_;
};

}  // namespace kivelo
