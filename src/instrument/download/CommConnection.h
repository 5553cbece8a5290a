#pragma once
// One use of a port by a flow: opened at the start (interface clear, LF
// terminator) and closed at the end whichever way the flow leaves.
#include <atomic>

#include "instrument/download/BlockReceiver.h"
#include "instrument/download/CommTarget.h"

namespace kivelo {

class CInstrumentPort;
class PortTable;

// The port a flow uses for a target: GPIB below portCode 31, else RS-232.
CInstrumentPort& SelectPort(PortTable& ports, const CommTarget& target);

class CommConnection {
public:
    // cancel (may be null) lets a blocking port operation give up early.
    CommConnection(CInstrumentPort& port, const CommTarget& target, const std::atomic<bool>* cancel = nullptr);
    ~CommConnection();
    CommConnection(const CommConnection&) = delete;
    CommConnection& operator=(const CommConnection&) = delete;

    bool IsOpen() const { return open_; }
    CInstrumentPort& Port() { return port_; }
    BlockFraming Framing() const { return framing_; }

private:
    CInstrumentPort& port_;
    BlockFraming framing_;
    bool open_ = false;
};

}  // namespace kivelo
