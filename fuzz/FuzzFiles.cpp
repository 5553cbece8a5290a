#include "FuzzFiles.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>

#include <filesystem>

namespace kivelo::fuzz {

ScratchDir::ScratchDir() {
    const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string templ = std::string(base) + "/kivelo-fuzz-XXXXXX";
    if (char* made = ::mkdtemp(templ.data())) path_ = made;
    else std::abort();
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ScratchDir::Write(const std::string& name, std::span<const uint8_t> bytes) const {
    std::string full = path_ + "/" + name;
    int fd = ::open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return full;
}

SplitInput Split(const uint8_t* data, std::size_t size) {
    static constexpr char kSep[] = "\n@@DATA@@\n";
    constexpr std::size_t kSepLen = sizeof(kSep) - 1;
    std::span<const uint8_t> all(data, size);
    for (std::size_t i = 0; i + kSepLen <= size; ++i) {
        if (std::memcmp(data + i, kSep, kSepLen) == 0) return {all.first(i), all.subspan(i + kSepLen)};
    }
    return {all, {}};
}

}  // namespace kivelo::fuzz
