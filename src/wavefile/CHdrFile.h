#pragma once
// Finds and parses the .hdr header that belongs to a data file.
#include <string>
#include <vector>

#include "wavefile/HeaderRecords.h"

namespace kivelo {

class CHdrFile {
public:
    // Does all the work; IsLoaded() tells whether it succeeded.
    explicit CHdrFile(const std::string& dataPath);

    bool IsLoaded() const { return loaded_; }
    const std::string& GetHeaderPath() const { return headerPath_; }
    // Why the header was not loaded, naming the file and, for a bad header, the
    // line and what is wrong in it; empty when loaded.
    const std::string& GetCause() const { return cause_; }

    // -1 on success, 0 when the header is not loaded.
    int GetPublicInfo(HdrPublicInfo& out) const;
    int GetGroupInfo(std::vector<HdrGroupInfo>& out) const;
    int GetModelInfo(HdrModelInfo& out) const;
    int GetPrivateInfo(HdrPrivateInfo& out) const;

    // The header name for a data path by the lower-case rule ("rtm", else "wvf");
    // empty when the path holds neither.
    static std::string HeaderNameFor(const std::string& dataPath);

private:
    bool loaded_ = false;
    std::string headerPath_;
    std::string cause_;
    HdrPublicInfo public_;
    std::vector<HdrGroupInfo> groups_;
    HdrModelInfo model_;
    HdrPrivateInfo private_;
};

}  // namespace kivelo
