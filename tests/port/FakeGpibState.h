#pragma once
// What the fake GPIB library records and how a test steers it. The fake is
// loaded through the binding under test; the test reaches the same instance
// with dlopen + dlsym("fake_gpib_state").
#include <string>
#include <vector>

struct FakeGpibState {
    std::vector<std::string> calls;  // one line per entry call, e.g. "ibeos 3 3082"
    std::string written;             // data of the last ibwrt / Send
    std::string pendingRead;         // what the next read hands out
    int readStatus = 0x2100;         // ibsta after a read (END | CMPL by default)
    bool overrideCount = false;      // report reportedCount after a read, whatever was copied
    long reportedCount = 0;
    int nextError = -1;        // >= 0: a call fails with this iberr...
    int errorDelay = 0;        // ...after this many more calls succeed
    int boardDescriptor = 3;   // ibfind answer
    int deviceDescriptor = 7;  // ibdev answer
    short statusByte = 0x1C5;  // ReadStatusByte / ibrsp answer
};

using FakeGpibStateFn = FakeGpibState* (*)();
