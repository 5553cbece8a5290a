#include "DownloadWorkDir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kivelo {

DownloadWorkDir::~DownloadWorkDir()
{
    Remove();
}

bool DownloadWorkDir::Create(const std::string& parent, const std::string& prefix)
{
    Remove();
    std::string pattern = (parent.empty() ? std::string(".") : parent) + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        return false;
    path_ = buffer.data();
    return true;
}

bool DownloadWorkDir::CreateTemporary(const std::string& prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    return Create(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp", prefix);
}

void DownloadWorkDir::Remove()
{
    if (path_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
}

}  // namespace kivelo
