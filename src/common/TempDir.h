#pragma once
// A private folder (mkdtemp, mode 0700) that is removed with everything in it
// when the object goes away.
#include <string>
#include <string_view>

namespace kivelo {

class TempDir {
public:
    // A new folder "<prefix>XXXXXX" in the system's temporary folder ($TMPDIR,
    // else /tmp).
    explicit TempDir(std::string_view prefix = "kivelo-");
    // A new folder "<parent>/<prefix>XXXXXX".
    TempDir(const std::string& parent, std::string_view prefix);
    ~TempDir();
    TempDir(TempDir&& other) noexcept;
    TempDir& operator=(TempDir&& other) noexcept;
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // False when the folder could not be created.
    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Removes the folder and its contents now.
    void Remove();

private:
    std::string path_;
};

}  // namespace kivelo
