#pragma once
// The names in a folder, hidden ones included, sorted; empty when it cannot be read.
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kivelo::test {

inline std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (std::string n = e->d_name; n != "." && n != "..") names.push_back(n);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kivelo::test
