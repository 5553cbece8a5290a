#pragma once
// The simulator (qvsim) as a test peer: a process serving a pseudo-terminal,
// or its GPIB library configured through the environment.
#include <sys/types.h>
#include <string>
#include <utility>
#include <vector>

namespace kivelo::test {

// Runs qvsim with args (add "--pty" to serve); killed and reaped when gone.
class SimPty {
public:
    explicit SimPty(std::vector<std::string> args);
    ~SimPty();
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // The slave device it printed, empty when it did not start serving.
    const std::string& Device() const { return device_; }
    // Ends its input and waits: its exit code, -1 when it did not exit.
    int Wait();

private:
    pid_t pid_ = -1;
    int stdinWriter_ = -1;
    std::string device_;
};

// Rebuilds the instrument of the simulator's GPIB library (the ports load it
// when their options name QVSIM_GPIB_LIBRARY) from settings such as
// {"FAMILY", "qv60"} (QVSIM_ prefix added); settings not named or empty return
// to their defaults. false when refused.
bool ConfigureGpibSim(const std::vector<std::pair<std::string, std::string>>& settings);

// The symbol of the simulator's GPIB library (loaded once, kept loaded).
void* GpibSimSymbol(const char* name);

}  // namespace kivelo::test
