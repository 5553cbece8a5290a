#pragma once
// Outcome of a generator write: ok, or a message saying what failed.
#include <string>

namespace kivelo::wavegen {

struct Result {
    bool ok = true;
    std::string error;
    explicit operator bool() const { return ok; }
    static Result Fail(std::string message) { return {false, std::move(message)}; }
};

}  // namespace kivelo::wavegen
