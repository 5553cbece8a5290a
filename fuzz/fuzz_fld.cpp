// .fld reader: input = the float file itself.
#include "ExerciseReader.h"
#include "FuzzFiles.h"
#include "wavefile/WaveDocument.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kivelo::fuzz::ScratchDir dir;
    std::string path = dir.Write("f.fld", {data, size});
    static kivelo::WaveDocument document;
    if (!document.Load(path).ok) return 0;
    kivelo::CWaveFile& file = *document.Current();
    int64_t n = file.GetBlockSize();
    std::vector<kivelo::ValueText> texts(512);
    std::vector<uint8_t> out(2048 * 2);
    int64_t got = 0;
    file.ReadText(0, std::min<int64_t>(n, 512), texts, got);
    for (int step : {512, 1024, 640, 256 * 1001})
        file.ReadEnvelope(step, 0, 0, 0, std::min<int64_t>(n, 1000), out, got, 0);
    return 0;
}
