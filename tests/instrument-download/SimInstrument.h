#pragma once
// The simulated instrument as a test peer: a qvsim process serving a
// pseudo-terminal, or the simulator's GPIB library configured through the
// environment.
#include <string>
#include <sys/types.h>
#include <vector>

namespace kivelo::test {

// A running "qvsim ... --pty"; killed and reaped on destruction.
class SimPty {
public:
    explicit SimPty(const std::vector<std::string>& options);
    ~SimPty();
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // The slave device, empty when the simulator did not start.
    const std::string& Device() const { return device_; }

private:
    pid_t pid_ = -1;
    int stdinWriter_ = -1;
    std::string device_;
};

// Points the GPIB binding at the simulator library and rebuilds its
// instrument from settings such as {"FAMILY", "qv60"} (QVSIM_ prefix added).
// Settings not named return to their defaults. false when refused.
bool ConfigureGpibSim(const std::vector<std::pair<std::string, std::string>>& settings);

}  // namespace kivelo::test
