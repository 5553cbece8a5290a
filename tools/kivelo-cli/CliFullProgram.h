#pragma once
// kivelo-cli's commands that need libraries slow to load (Qt, HDF5, libsigrok)
// live in kivelo-cli-full, so that the other commands do not pay for loading them.

namespace kivelo::cli {

// Replaces this process with kivelo-cli-full given the same arguments (argv as
// main received it). Returns only when it cannot be started: 1, with a message.
int RunFullProgram(char** argv);

}  // namespace kivelo::cli
