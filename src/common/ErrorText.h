#pragma once
// Causes of failures in the user's words: an errno value as a short phrase
// ("no such file", "permission denied", "the disk is full"), and opening a file
// for reading only when it is a regular file.
#include <string>

#include "common/UniqueFd.h"

namespace kivelo {

// A short lower-case phrase for an errno value.
std::string PlainErrorText(int err);

// What a file of this st_mode is when it is not a regular file ("a folder",
// "a named pipe (FIFO)", ...); empty for a regular file.
std::string NotRegularText(unsigned mode);

// Opens path read-only without waiting (a FIFO or a device would block the open
// or the first read) and keeps it only when it is a regular file; the descriptor
// then blocks again as usual. On failure the descriptor is closed and `cause`
// says why, e.g. "no such file" or "not a regular file (a folder)".
UniqueFd OpenRegularFile(const std::string& path, std::string& cause);

}  // namespace kivelo
