#include "CliFullProgram.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace kivelo::cli {

namespace {

constexpr const char* kFullName = "kivelo-cli-full";

}  // namespace

int RunFullProgram(char** argv) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        std::fprintf(stderr, "kivelo-cli: cannot find where kivelo-cli is: %s\n", ec.message().c_str());
        return 1;
    }
    // Beside this program in the build, in libexec/kivelo when installed.
    const std::filesystem::path folder = self.parent_path();
    const std::filesystem::path places[] = {folder / kFullName, folder.parent_path() / KIVELO_CLI_LIBEXEC / kFullName};
    int err = ENOENT;
    for (const std::filesystem::path& p : places) {
        ::execv(p.c_str(), argv);
        if (errno != ENOENT) err = errno;
    }
    std::fprintf(stderr, "kivelo-cli: cannot start %s (looked in %s and %s): %s\n", kFullName,
                 places[0].parent_path().c_str(), places[1].parent_path().c_str(), std::strerror(err));
    return 1;
}

}  // namespace kivelo::cli
