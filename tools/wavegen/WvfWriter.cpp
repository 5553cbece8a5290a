#include "WvfWriter.h"

#include <algorithm>

#include "ChunkWriter.h"

namespace kivelo::wavegen {
namespace {

int Width(const WvfDesc& s, int t) { return ParseSampleType(s.traces[static_cast<std::size_t>(t)].type).width; }

int TraceCount(const WvfDesc& s) { return static_cast<int>(s.traces.size()); }

void WriteSamples(ChunkWriter& out, const WvfDesc& s, int t, int b) {
    const TraceDesc& tr = s.traces[static_cast<std::size_t>(t)];
    const SignalSource src(tr.signal, ParseSampleType(tr.type), t, b, IsBigEndian(s.header));
    const int w = src.Type().width;
    const int64_t n = WvfBlockSize(s, t, b);
    const auto perChunk = static_cast<int64_t>(out.Capacity()) / w;
    for (int64_t i = 0; i < n; i += perChunk) {
        const int64_t k = std::min(perChunk, n - i);
        src.Fill(i, k, out.Reserve(static_cast<std::size_t>(k * w)));
    }
}

}  // namespace

std::vector<TraceDesc> MakeTraces(int count, const std::string& types, Signal signal, int64_t period) {
    std::vector<std::string> tokens;
    std::size_t start = 0;
    while (start <= types.size()) {
        const auto comma = types.find(',', start);
        const auto end = comma == std::string::npos ? types.size() : comma;
        if (end > start) tokens.push_back(types.substr(start, end - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (tokens.empty()) tokens.push_back("IS2");
    std::vector<TraceDesc> traces(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t t = 0; t < traces.size(); ++t) {
        traces[t].type = tokens[t % tokens.size()];
        traces[t].signal.kind = signal;
        traces[t].signal.period = period;
        traces[t].signal.seed = 1 + t;
    }
    return traces;
}

int64_t WvfBlockSize(const WvfDesc& s, int trace, int block) {
    const auto idx = static_cast<std::size_t>(block) * s.traces.size() + static_cast<std::size_t>(trace);
    if (!s.blockSizes.empty()) return idx < s.blockSizes.size() ? s.blockSizes[idx] : 0;
    return s.samples;
}

int64_t WvfSampleOffset(const WvfDesc& s, int trace, int block, int64_t index) {
    int64_t pos = s.header.dataOffset;
    const bool traceMajor = s.header.dataFormat == "Trace";
    for (int b = 0; b < s.blocks; ++b) {
        for (int t = 0; t < TraceCount(s); ++t) {
            const bool before =
                traceMajor ? (t < trace || (t == trace && b < block)) : (b < block || (b == block && t < trace));
            if (before) pos += WvfBlockSize(s, t, b) * Width(s, t);
        }
    }
    return pos + index * Width(s, trace);
}

int64_t WvfFileSize(const WvfDesc& s) {
    int64_t size = s.header.dataOffset;
    for (int b = 0; b < s.blocks; ++b) {
        for (int t = 0; t < TraceCount(s); ++t) size += WvfBlockSize(s, t, b) * Width(s, t);
    }
    return size;
}

int64_t WvfRawSample(const WvfDesc& s, int trace, int block, int64_t index) {
    const TraceDesc& tr = s.traces[static_cast<std::size_t>(trace)];
    return RawSample(tr.signal, ParseSampleType(tr.type), trace, block, index);
}

Result WriteHeaderFile(const std::string& headerPath, const std::string& text) {
    if (!WriteWholeFile(headerPath, text.data(), text.size())) {
        return Result::Fail("cannot write " + headerPath);
    }
    return {};
}

Result WriteWvf(const std::string& dataPath, const WvfDesc& s) {
    if (s.blocks < 1 || s.traces.empty()) return Result::Fail("need at least one trace and one block");
    const std::string text = BuildHeader(
        s.header, s.traces, s.blocks, [&](int t, int b) { return WvfBlockSize(s, t, b); }, std::nullopt);
    if (Result r = WriteHeaderFile(HeaderPathFor(dataPath), text); !r) return r;

    ChunkWriter out(dataPath);
    if (!out.Ok()) return Result::Fail("cannot create " + dataPath);
    out.Fill(s.fillByte, static_cast<uint64_t>(std::max<int64_t>(s.header.dataOffset, 0)));
    const bool traceMajor = s.header.dataFormat == "Trace";
    const int outer = traceMajor ? TraceCount(s) : s.blocks;
    const int inner = traceMajor ? s.blocks : TraceCount(s);
    for (int i = 0; i < outer; ++i) {
        for (int j = 0; j < inner; ++j) {
            WriteSamples(out, s, traceMajor ? i : j, traceMajor ? j : i);
        }
    }
    if (!out.Finish()) return Result::Fail("write failed: " + dataPath);
    return {};
}

}  // namespace kivelo::wavegen
