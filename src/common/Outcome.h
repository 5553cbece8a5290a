#pragma once
// The result of one of our own operations that can fail in more than one way:
// what happened, and for anything but success a message for the user. Code is
// an enum class whose first enumerator (value 0) means success.
#include <string>

namespace kivelo {

template <class Code>
struct Outcome {
    Code code{};
    std::string message;  // why it failed; empty on success

    bool Ok() const { return code == Code{}; }
};

}  // namespace kivelo
