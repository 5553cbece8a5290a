#pragma once
// Runs the built kivelo-cli and kivelo-gen in a folder and captures what they print
// (the arguments split at white space).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "ToolRun.h"
#include "Wavegen.h"

namespace kivelo {

inline const std::string kBin = std::string(KIVELO_BINARY_DIR) + "/bin/";

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs a built program in folder `cwd`, capturing its output.
inline RunResult Run(const std::string& cwd, const std::string& program, std::vector<std::string> args) {
    std::string outPath = cwd + "/.stdout", errPath = cwd + "/.stderr";
    args.insert(args.begin(), kBin + program);
    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(127);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    RunResult r;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.code = WEXITSTATUS(status);
    r.out = wavegen::ReadFileText(outPath);
    r.err = wavegen::ReadFileText(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return r;
}

inline RunResult Cli(const std::string& cwd, const std::string& args) {
    return Run(cwd, "kivelo-cli", test::SplitWords(args));
}

inline void Generate(const std::string& cwd, const std::string& args) {
    RunResult r = Run(cwd, "kivelo-gen", test::SplitWords(args));
    ASSERT_EQ(r.code, 0) << args << ": " << r.err;
}

}  // namespace kivelo
