#include "export/WavExport.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kivelo {

namespace {

// Frames converted and written at a time.
constexpr int64_t kPieceFrames = int64_t{1} << 18;
constexpr uint16_t kFormatFloat = 3;
// RIFF header, "fmt " chunk of 18 bytes, "fact" chunk, "data" chunk header.
constexpr int64_t kHeaderBytes = 12 + 8 + 18 + 8 + 4 + 8;

void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Header(int channels, int64_t rate, int64_t frames) {
    const auto dataBytes = static_cast<uint32_t>(frames * channels * 4);
    std::string h;
    h += "RIFF";
    Put32(h, static_cast<uint32_t>(kHeaderBytes - 8) + dataBytes);
    h += "WAVE";
    h += "fmt ";
    Put32(h, 18);
    Put16(h, kFormatFloat);
    Put16(h, static_cast<uint16_t>(channels));
    Put32(h, static_cast<uint32_t>(rate));
    Put32(h, static_cast<uint32_t>(rate * channels * 4));
    Put16(h, static_cast<uint16_t>(channels * 4));
    Put16(h, 32);
    Put16(h, 0);
    // Formats other than PCM carry the frame count in a "fact" chunk.
    h += "fact";
    Put32(h, 4);
    Put32(h, static_cast<uint32_t>(frames));
    h += "data";
    Put32(h, dataBytes);
    return h;
}

}  // namespace

bool WavExport::Write(const ExportContext& context, StagedFile& out) {
    ExportSource& source = context.source;
    const ExportPlan& plan = context.plan;
    int64_t rate = 0;
    if (!source.SampleRate(rate, context.message)) return false;
    const auto channels = static_cast<int64_t>(plan.traces.size());
    if (channels == 0 || channels > 0xFFFF) return context.Fail("A WAV file needs 1 to 65535 traces");
    if (plan.count * channels * 4 + kHeaderBytes - 8 > int64_t{0xFFFFFFFF})
        return context.Fail(
            "The samples do not fit into a WAV file (4 GiB at most); export a shorter span or fewer traces");
    std::string header = Header(static_cast<int>(channels), rate, plan.count);
    if (!context.Append(out, header)) return false;
    const int block = plan.blocks.front();
    const int64_t piece = std::min(kPieceFrames, plan.count);
    std::vector<double> values(static_cast<std::size_t>(piece));
    std::vector<float> frames(static_cast<std::size_t>(piece * channels));
    for (int64_t done = 0; done < plan.count; done += piece) {
        const int64_t n = std::min(piece, plan.count - done);
        for (int64_t c = 0; c < channels; ++c) {
            if (context.Cancelled()) return false;
            const ExportTrace& t = source.Traces()[static_cast<std::size_t>(plan.traces[static_cast<std::size_t>(c)])];
            if (!source.ReadValues(t.index, block, plan.first + done, n, values))
                return context.ReadFailed(t, block, plan.first + done);
            for (int64_t i = 0; i < n; ++i)
                frames[static_cast<std::size_t>(i * channels + c)] =
                    static_cast<float>(values[static_cast<std::size_t>(i)]);
            plan.Add(n);
        }
        static_assert(std::endian::native == std::endian::little, "WAV samples are little-endian");
        const std::string_view bytes(reinterpret_cast<const char*>(frames.data()),
                                     static_cast<std::size_t>(n * channels) * sizeof(float));
        if (!out.Append(bytes)) return context.Fail(out.Error());
    }
    return true;
}

}  // namespace kivelo
