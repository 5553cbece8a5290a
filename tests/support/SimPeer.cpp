#include "SimPeer.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <string_view>

#include "port/GpibAbi.h"

extern char** environ;

namespace kivelo::test {

SimPty::SimPty(std::vector<std::string> args) {
    args.insert(args.begin(), QVSIM_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Only its options configure it, not what a GPIB test left in QVSIM_*.
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (!std::string_view(*e).starts_with("QVSIM_")) env.push_back(*e);
    env.push_back(nullptr);
    int out[2];
    int in[2];
    if (pipe(out) != 0) return;
    if (pipe(in) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    // Our end of its input stays open while it serves: should this process
    // die, the simulator sees the input end and stops.
    stdinWriter_ = in[1];
    pollfd ready{out[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && poll(&ready, 1, 10000) == 1 && read(out[0], &c, 1) == 1 && c != '\n') device_ += c;
    close(out[0]);
}

int SimPty::Wait() {
    if (stdinWriter_ >= 0) close(stdinWriter_);
    stdinWriter_ = -1;
    int status = 0;
    const bool exited = pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status);
    pid_ = -1;
    return exited ? WEXITSTATUS(status) : -1;
}

SimPty::~SimPty() {
    if (pid_ > 0) kill(pid_, SIGTERM);
    Wait();
}

void* GpibSimSymbol(const char* name) {
    // The binding and this handle share the one loaded copy of the library.
    static void* library = dlopen(QVSIM_GPIB_LIBRARY, RTLD_NOW);
    return library == nullptr ? nullptr : dlsym(library, name);
}

bool ConfigureGpibSim(const std::vector<std::pair<std::string, std::string>>& settings) {
    // Every earlier setting goes, whatever its name.
    std::vector<std::string> earlier;
    for (char** e = environ; *e != nullptr; ++e)
        if (const std::string_view entry(*e); entry.starts_with("QVSIM_"))
            earlier.emplace_back(entry.substr(0, entry.find('=')));
    for (const std::string& name : earlier) unsetenv(name.c_str());
    for (const auto& [name, value] : settings)
        if (!value.empty()) setenv(("QVSIM_" + name).c_str(), value.c_str(), 1);
    const auto reset = reinterpret_cast<int (*)()>(GpibSimSymbol("qvsim_gpib_reset"));
    return reset != nullptr && reset() == 0;
}

}  // namespace kivelo::test
