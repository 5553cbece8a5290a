#pragma once
// A name -> value lookup (null: not set). The program's top level (the desktop
// program's start, kivelo-cli) passes std::getenv to the libraries' options;
// tests pass a table. Libraries never read the process environment themselves.
#include <functional>

namespace kivelo {

using EnvironmentLookup = std::function<const char*(const char*)>;

}  // namespace kivelo
