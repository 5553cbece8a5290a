#pragma once
// The result of one of our own operations that can fail in more than one way:
// what happened, and for anything but Ok a message for the user.
#include <string>
#include <utility>

namespace kivelo {

template <class Code>
struct Outcome {
    Code code{};
    std::string message;

    static Outcome Ok() { return {}; }
    static Outcome Fail(Code c, std::string text) { return {c, std::move(text)}; }
    bool IsOk() const { return code == Code{}; }
};

}  // namespace kivelo
