#include "export/VcdExport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kivelo {

namespace {

constexpr int kLargestUnit = 2;     // 100 s
constexpr int kSmallestUnit = -15;  // 1 fs
constexpr int64_t kPiece = int64_t{1} << 16;

// x is a whole number, give or take the rounding of the few double operations behind it.
bool Whole(double x) { return std::abs(x - std::round(x)) <= 1e-9 + 4e-16 * std::abs(x); }

bool FitsTimes(double start, double step, int64_t count) {
    const double last = start + step * static_cast<double>(std::max<int64_t>(count - 1, 0));
    constexpr double kLimit = 9.0e18;
    return std::abs(start) < kLimit && std::abs(last) < kLimit && std::abs(last - start) < kLimit;
}

// VCD identifier codes: base 94 over the printable characters '!' .. '~'.
std::string CodeOf(std::size_t index) {
    std::string code;
    do {
        code += static_cast<char>('!' + index % 94);
        index /= 94;
    } while (index > 0);
    return code;
}

// A reference name without the blanks and brackets that would split or index it.
std::string ReferenceOf(const std::string& text, const std::string& fallback) {
    std::string name = text.empty() ? fallback : text;
    for (char& c : name)
        if (c <= ' ' || c == '[' || c == ']' || c == '$' || static_cast<unsigned char>(c) >= 0x7F) c = '_';
    return name;
}

struct Variable {
    const ExportTrace* trace = nullptr;
    std::string code;
    bool logic = false;
    bool known = false;
    uint32_t word = 0;
    double value = 0.0;
};

void PutTime(std::string& s, int64_t t, int64_t& last) {
    last = t;
    s += '#';
    s += std::to_string(t);
    s += '\n';
}

void PutValue(std::string& s, const Variable& v) {
    if (v.logic) {
        s += 'b';
        int top = 31;
        while (top > 0 && ((v.word >> top) & 1u) == 0) --top;
        for (int b = top; b >= 0; --b) s += ((v.word >> b) & 1u) ? '1' : '0';
    } else {
        char text[32];
        s += 'r';
        const auto result = std::to_chars(text, text + sizeof text, v.value);
        s.append(text, result.ptr);
    }
    s += ' ';
    s += v.code;
    s += '\n';
}

}  // namespace

std::string VcdExport::UnitText(int exponent) {
    static const char* const kUnits[] = {"fs", "ps", "ns", "us", "ms", "s"};
    const int shifted = exponent - kSmallestUnit;  // 0 .. 17
    const int group = std::min(shifted / 3, 5);
    const int digits = shifted - group * 3;
    return std::string(digits == 0 ? "1" : digits == 1 ? "10" : "100") + " " + kUnits[group];
}

bool VcdExport::ChooseTimescale(double hResolution, double hOffset, int64_t first, int64_t count, Timescale& out) {
    if (!(hResolution > 0.0) || !std::isfinite(hOffset)) return false;
    const double t0 = hOffset + static_cast<double>(first) * hResolution;
    for (int e = kLargestUnit; e >= kSmallestUnit; --e) {
        const double unit = std::pow(10.0, e);
        const double step = hResolution / unit, start = t0 / unit;
        if (step >= 0.5 && Whole(step) && Whole(start) && FitsTimes(start, step, count)) {
            out = {e, std::llround(start), std::llround(step)};
            return true;
        }
    }
    // No unit holds every time exactly: the finest, times rounded to it.
    const double unit = 1e-15, step = hResolution / unit, start = t0 / unit;
    if (step < 1.0 || !FitsTimes(start, step, count)) return false;
    out = {kSmallestUnit, std::llround(start), 0};
    return true;
}

bool VcdExport::Write(const ExportContext& context, StagedFile& out) {
    ExportSource& source = context.source;
    const ExportPlan& plan = context.plan;
    const HorzInfo& horz = source.Horz();
    Timescale scale;
    if (!ChooseTimescale(horz.HResolution, horz.HOffset, plan.first, plan.count, scale))
        return context.Fail("The sample times (HResolution " + std::to_string(horz.HResolution) +
                            ") cannot be written as whole numbers of at least 1 fs");
    const int block = plan.blocks.front();
    std::vector<Variable> vars;
    for (std::size_t i = 0; i < plan.traces.size(); ++i) {
        Variable v;
        v.trace = &source.Traces()[static_cast<std::size_t>(plan.traces[i])];
        v.code = CodeOf(i);
        v.logic = v.trace->kind == SampleKind::Logic;
        vars.push_back(v);
    }
    std::string date, time;
    source.DateTime(block, date, time);
    std::string s;
    s += "$date " + date + " " + time + " $end\n";
    s += "$version Kivelo $end\n";
    s += "$comment " + plan.sourceName + ", model " + source.Model() + ", record " + std::to_string(block) +
         ", from sample " + std::to_string(plan.first) + ";";
    for (const Variable& v : vars) s += " " + v.trace->label + " [" + v.trace->unit + "]";
    s += " $end\n";
    s += "$timescale " + UnitText(scale.exponent) + " $end\n";
    // GTKWave's readers take times as unsigned: earlier ones count from the first sample.
    const int64_t zero = scale.start < 0 ? scale.start : 0;
    if (zero < 0) s += "$timezero " + std::to_string(zero) + " $end\n";
    s += "$scope module " + ReferenceOf(source.Model(), "record") + " $end\n";
    for (const Variable& v : vars) {
        const std::string name = ReferenceOf(v.trace->name, v.trace->label);
        if (v.logic) s += "$var wire " + std::to_string(v.trace->width * 8) + " " + v.code + " " + name + " $end\n";
        else s += "$var real 64 " + v.code + " " + name + " $end\n";
    }
    s += "$upscope $end\n$enddefinitions $end\n";

    const double fsStep = horz.HResolution / 1e-15;
    auto timeOf = [&](int64_t i) {
        const int64_t t =
            scale.step > 0 ? scale.start + i * scale.step : scale.start + std::llround(static_cast<double>(i) * fsStep);
        return t - zero;
    };
    int64_t lastTime = -1;
    std::vector<std::vector<uint8_t>> raw(vars.size());
    std::vector<std::vector<double>> values(vars.size());
    for (int64_t done = 0; done < plan.count; done += kPiece) {
        const int64_t n = std::min(kPiece, plan.count - done);
        for (std::size_t k = 0; k < vars.size(); ++k) {
            if (context.Cancelled()) return false;
            const ExportTrace& t = *vars[k].trace;
            const bool ok = vars[k].logic ? (raw[k].resize(static_cast<std::size_t>(n * t.width)),
                                             source.ReadRaw(t.index, block, plan.first + done, n, raw[k]))
                                          : (values[k].resize(static_cast<std::size_t>(n)),
                                             source.ReadValues(t.index, block, plan.first + done, n, values[k]));
            if (!ok) return context.ReadFailed(t, block, plan.first + done);
        }
        for (int64_t i = 0; i < n; ++i) {
            const bool firstSample = done + i == 0;
            bool timeWritten = false;
            for (std::size_t k = 0; k < vars.size(); ++k) {
                Variable& v = vars[k];
                bool changed = false;
                if (v.logic) {
                    uint32_t word = 0;
                    const uint8_t* p = raw[k].data() + i * v.trace->width;
                    for (int b = 0; b < v.trace->width; ++b) word |= uint32_t{p[b]} << (8 * b);
                    changed = !v.known || word != v.word;
                    v.word = word;
                } else {
                    const double x = values[k][static_cast<std::size_t>(i)];
                    changed = !v.known || std::memcmp(&x, &v.value, sizeof x) != 0;
                    v.value = x;
                }
                v.known = true;
                if (!changed) continue;
                if (!timeWritten) {
                    PutTime(s, timeOf(done + i), lastTime);
                    if (firstSample) s += "$dumpvars\n";
                    timeWritten = true;
                }
                PutValue(s, v);
            }
            if (firstSample && timeWritten) s += "$end\n";
        }
        // The last sample's time closes the dump, so its length shows when the values stand still.
        if (done + n == plan.count && plan.count > 0 && timeOf(plan.count - 1) != lastTime)
            PutTime(s, timeOf(plan.count - 1), lastTime);
        plan.Add(n * static_cast<int64_t>(vars.size()));
        if (!context.Append(out, s)) return false;
    }
    return context.Append(out, s);
}

}  // namespace kivelo
