#pragma once
// Drives every read operation of an open waveform file over a bounded range, so
// a fuzz target finds faults anywhere between the header and the sample loops.
#include "wavefile/CWaveFile.h"

namespace kivelo::fuzz {

void ExerciseReader(CWaveFile& file);

}  // namespace kivelo::fuzz

#include "FuzzFiles.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::fuzz {

// One input = header text, separator line, data bytes; opened through the
// program's open flow (reader chosen by dataName's ending) with and without a
// read cache and then exercised.
inline void FuzzHeaderAndData(const uint8_t* data, std::size_t size, const char* dataName) {
    static const ScratchDir dir;
    auto parts = Split(data, size);
    dir.Write("f.hdr", parts.header);
    std::string path = dir.Write(dataName, parts.data);
    static WaveDocument document;
    for (int64_t capacity : {0, 256}) {
        if (document.Load(path, capacity).ok) ExerciseReader(*document.Current());
    }
    document.Close();
}

}  // namespace kivelo::fuzz
