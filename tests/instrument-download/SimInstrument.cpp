#include "SimInstrument.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "GpibAbi.h"

extern char** environ;

namespace kivelo::test {

SimPty::SimPty(const std::vector<std::string>& options)
{
    std::vector<std::string> args{QVSIM_PROGRAM};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("--pty");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    int in[2];
    if (pipe(out) != 0)
        return;
    if (pipe(in) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    // Our end of its stdin stays open for the simulator's lifetime: when the
    // test process goes away, the simulator sees end of input and stops.
    stdinWriter_ = in[1];
    if (spawned != 0) {
        pid_ = -1;
        close(out[0]);
        return;
    }
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        device_ += c;
    close(out[0]);
}

SimPty::~SimPty()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    if (stdinWriter_ >= 0)
        close(stdinWriter_);
}

bool ConfigureGpibSim(const std::vector<std::pair<std::string, std::string>>& settings)
{
    static constexpr std::array kNames{"FAMILY",  "MODEL",     "CHANNELS", "MODULES", "LENGTH",
                                       "RECORDS", "RATE",      "DATE",     "TIME",    "TIME_STEP",
                                       "STAMPS",  "EXT_CLOCK", "FIRMWARE", "ADDRESS", "LOG",
                                       "FAULT"};
    for (const char* name : kNames)
        unsetenv((std::string("QVSIM_") + name).c_str());
    for (const auto& [name, value] : settings)
        setenv(("QVSIM_" + name).c_str(), value.c_str(), 1);
    setenv(gpib::kLibraryEnv, QVSIM_GPIB_LIBRARY, 1);

    // The binding and this handle share the one loaded copy of the library;
    // the handle stays open so the rebuilt instrument is the one the binding sees.
    void* library = dlopen(QVSIM_GPIB_LIBRARY, RTLD_NOW);
    if (library == nullptr)
        return false;
    auto reset = reinterpret_cast<int (*)()>(dlsym(library, "qvsim_gpib_reset"));
    return reset != nullptr && reset() == 0;
}

}  // namespace kivelo::test
