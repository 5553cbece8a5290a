#pragma once
// What kivelo-cli takes from its environment, handed to the libraries as their options.
#include "port/PortOptions.h"
#include "wavefile/WavefileOptions.h"

namespace kivelo::cli {

// KIVELO_SUMMARY_MB.
WavefileOptions ReaderOptions();
// KIVELO_GPIB_LIBRARY, KIVELO_COM1, KIVELO_COM2.
PortOptions PortTableOptions();

}  // namespace kivelo::cli
