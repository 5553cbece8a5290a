#include "CliEnvironment.h"

#include <cstdlib>

namespace kivelo::cli {

WavefileOptions ReaderOptions() { return WavefileOptions::From(std::getenv); }

PortOptions PortTableOptions() { return PortOptions::From(std::getenv); }

}  // namespace kivelo::cli
