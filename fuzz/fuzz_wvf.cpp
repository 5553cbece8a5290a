// .wvf reader: input = header text, separator line, data bytes.
#include "ExerciseReader.h"
#include "wavefile/CWaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivelo::fuzz::FuzzHeaderAndData(data, size, "f.wvf");
    return 0;
}
