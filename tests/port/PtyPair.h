#pragma once
// A pseudo-terminal pair: the port under test opens the slave by its path,
// the test plays the instrument on the master side.
#include <string>

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }
    int SlaveFd() const { return slave_; }

    // Instrument side.
    void Send(const std::string& bytes);
    // Up to n bytes that arrive within a generous bound; fewer if the port
    // sends fewer.
    std::string Receive(std::size_t n);
    // True when the port's side has input waiting (nothing consumed).
    bool SlaveHasInput(int waitMs) const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
