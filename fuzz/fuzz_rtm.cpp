// .rtm reader: input = header text, separator line, data bytes.
#include "ExerciseReader.h"
#include "wavefile/CRtmFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivelo::fuzz::FuzzHeaderAndData(data, size, "f.rtm");
    return 0;
}
