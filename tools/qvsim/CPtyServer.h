#pragma once
// Serves one simulated instrument on a pseudo-terminal, like an instrument on
// a serial line: commands end in LF, answers and blocks are written raw.
#include <cstdint>
#include <string>
#include <vector>

#include "CQvSimulator.h"
#include "common/UniqueFd.h"

namespace kivelo::qvsim {

class CPtyServer {
public:
    explicit CPtyServer(CQvSimulator& instrument);
    ~CPtyServer();
    CPtyServer(const CPtyServer&) = delete;
    CPtyServer& operator=(const CPtyServer&) = delete;

    // Creates the pseudo-terminal; empty text on success.
    std::string Open();
    const std::string& SlavePath() const { return m_slavePath; }

    // Serves until stdin ends (when watched) or exitAfter messages were handled
    // (0: no limit). Returns the process exit code.
    int Serve(long exitAfter, bool watchStdin);

private:
    bool HasOutput() const;
    bool Flush();          // false on a write error other than a full buffer
    void WaitUntilRead();  // lets the peer take the last answer before we close

    CQvSimulator& m_instrument;
    UniqueFd m_master;
    UniqueFd m_slave;  // held open so the peer can close and reopen the line
    std::string m_slavePath;
    std::vector<std::uint8_t> m_chunk;
    std::size_t m_chunkPos = 0;
};

}  // namespace kivelo::qvsim
