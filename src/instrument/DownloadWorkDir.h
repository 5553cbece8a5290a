#pragma once
// A private directory (mkdtemp, mode 0700) that is removed with everything in
// it when the object goes away.
#include <string>

namespace kivelo {

class DownloadWorkDir {
public:
    DownloadWorkDir() = default;
    ~DownloadWorkDir();
    DownloadWorkDir(const DownloadWorkDir&) = delete;
    DownloadWorkDir& operator=(const DownloadWorkDir&) = delete;

    // Creates "<parent>/<prefix>XXXXXX"; false when the folder is not writable.
    bool Create(const std::string& parent, const std::string& prefix);
    // Creates it in the system's temporary folder ($TMPDIR, else /tmp).
    bool CreateTemporary(const std::string& prefix);

    bool IsCreated() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string FilePath(const std::string& name) const { return path_ + "/" + name; }

    // Removes the directory and its contents now.
    void Remove();

private:
    std::string path_;
};

}  // namespace kivelo
