#include "export/TimeCsvExport.h"

#include <algorithm>
#include <charconv>

namespace kivelo {

namespace {

constexpr int64_t kPiece = int64_t{1} << 16;
// Enough for a 32-bit sample times its scaling, and no double rounding noise.
constexpr int kDigits = 12;

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void PutNumber(std::string& s, double x) {
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, x, std::chars_format::general, kDigits);
    s.append(text, result.ptr);
}

}  // namespace

bool TimeCsvExport::Write(const ExportContext& context, StagedFile& out) {
    ExportSource& source = context.source;
    const ExportPlan& plan = context.plan;
    const HorzInfo& horz = source.Horz();
    std::vector<const ExportTrace*> traces;
    for (int t : plan.traces) traces.push_back(&source.Traces()[static_cast<std::size_t>(t)]);
    std::string s = Quoted("Time [" + (horz.HUnit.empty() ? std::string("s") : horz.HUnit) + "]");
    for (const ExportTrace* t : traces)
        s += "," + Quoted((t->name.empty() ? t->label : t->name) + " [" + t->unit + "]");
    s += "\n";

    const int block = plan.blocks.front();
    std::vector<std::vector<double>> values(traces.size());
    for (int64_t done = 0; done < plan.count; done += kPiece) {
        const int64_t n = std::min(kPiece, plan.count - done);
        for (std::size_t k = 0; k < traces.size(); ++k) {
            if (context.Cancelled()) return false;
            values[k].resize(static_cast<std::size_t>(n));
            if (!source.ReadValues(traces[k]->index, block, plan.first + done, n, values[k]))
                return context.ReadFailed(*traces[k], block, plan.first + done);
        }
        for (int64_t i = 0; i < n; ++i) {
            PutNumber(s, static_cast<double>(plan.first + done + i) * horz.HResolution + horz.HOffset);
            for (const auto& v : values) {
                s += ',';
                PutNumber(s, v[static_cast<std::size_t>(i)]);
            }
            s += '\n';
        }
        plan.Add(n * static_cast<int64_t>(traces.size()));
        if (!context.Append(out, s)) return false;
    }
    return context.Append(out, s);
}

}  // namespace kivelo
