// .rtm reader: input = header text, separator line, data bytes.
#include "wavefile/CRtmFile.h"
#include "ExerciseReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivelo::fuzz::FuzzHeaderAndData(data, size, "f.rtm");
    return 0;
}
