#pragma once
// Runs a check in a child process whose file permissions count: as "nobody"
// when the tests run as root, for whom file and folder modes mean nothing.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace kivelo::test {

struct ChildRun {
    static constexpr int kCannotDrop = 100;  // root privileges could not be given up
    int code = -1;                           // what fn returned, or -1
    std::string said;                        // the text fn gave back
};

inline ChildRun RunUnprivileged(const std::function<int(std::string& said)>& fn) {
    ChildRun run;
    int out[2];
    if (::pipe(out) != 0) return run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                                 ::setresuid(65534, 65534, 65534) != 0))
            ::_exit(ChildRun::kCannotDrop);
        std::string said;
        const int code = fn(said);
        const bool written = ::write(out[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(written ? code : -1);
    }
    ::close(out[1]);
    char buffer[4096];
    for (ssize_t n; pid > 0 && (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        run.said.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.code = WEXITSTATUS(status);
    return run;
}

}  // namespace kivelo::test
