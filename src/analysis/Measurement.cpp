#include "analysis/Measurement.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analysis/CrossingMeter.h"
#include "analysis/MomentsCache.h"
#include "analysis/SampleSource.h"

namespace kivelo {

namespace {

// Spans up to this many samples are summed from their samples; longer ones from
// the record's summary (built once).
constexpr int64_t kDirectSpan = int64_t{1} << 20;

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(std::memory_order_relaxed); }

bool SpanMoments(SampleSource& source, int64_t first, int64_t count, const MeasureOptions& options, Moments& out,
                 std::string& error) {
    MomentsCache& cache = options.cache != nullptr ? *options.cache : SharedMomentsCache();
    auto summary = cache.Find(source);
    if (summary == nullptr && count > kDirectSpan)
        summary = cache.Get(source, error, options.stopSummary != nullptr ? options.stopSummary : options.stop);
    if (summary != nullptr) return summary->Query(source, first, count, out, error);
    if (!error.empty() || Stopped(options.stop)) return false;
    out = Moments{};
    return source.Read(
        first, count,
        [&](const uint8_t* bytes, int64_t n, int64_t) {
            out.Merge(MomentsOf(source.Type(), bytes, n));
            return !Stopped(options.stop);
        },
        error);
}

bool Crossings(SampleSource& source, int64_t first, int64_t count, double min, double max,
               const MeasureOptions& options, CrossingResult& out, std::string& error) {
    CrossingMeter meter(min, max);
    std::vector<double> values;
    const double gain = source.Gain(), offset = source.Offset();
    const bool ok = source.Read(
        first, count,
        [&](const uint8_t* bytes, int64_t n, int64_t pos) {
            values.resize(static_cast<std::size_t>(n));
            ToPhysical(source.Type(), bytes, n, gain, offset, values.data());
            meter.Feed(values, pos);
            return !Stopped(options.stop);
        },
        error);
    if (ok) out = meter.Result(source.SampleInterval());
    return ok;
}

}  // namespace

bool MeasureTrace(CWaveFile& file, int block, int trace, int64_t first, int64_t count, TraceMeasurement& out,
                  std::string& error) {
    return MeasureTrace(file, block, trace, first, count, out, error, MeasureOptions{});
}

bool MeasureTrace(CWaveFile& file, int block, int trace, int64_t first, int64_t count, TraceMeasurement& out,
                  std::string& error, const MeasureOptions& options) {
    out = TraceMeasurement{};
    error.clear();
    SampleSource source;
    if (!source.Open(file, block, trace, error) || !source.CheckSpan(first, count, error)) return false;
    if (source.IsLogic()) return true;
    Moments m;
    if (!SpanMoments(source, first, count, options, m, error)) return false;
    const MomentStatistics s = StatisticsOf(m, source.IsFloat(), source.Gain(), source.Offset());
    out.nan = m.nan;
    out.min = s.min;
    out.max = s.max;
    out.pp = s.pp;
    out.mean = s.mean;
    out.rms = s.rms;
    out.acrms = s.acrms;
    if (!options.crossings || !s.pp || !(*s.pp > 0.0) || !std::isfinite(*s.pp)) return true;
    CrossingResult c;
    if (!Crossings(source, first, count, *s.min, *s.max, options, c, error)) return false;
    out.frequency = c.frequency;
    out.period = c.period;
    out.duty = c.duty;
    out.rise = c.rise;
    out.fall = c.fall;
    return true;
}

std::span<const MeasurementField> MeasurementFields() {
    using M = TraceMeasurement;
    // clang-format off
    static constexpr MeasurementField kFields[] = {
        {"min", &M::min}, {"max", &M::max}, {"pp", &M::pp}, {"mean", &M::mean}, {"rms", &M::rms},
        {"acrms", &M::acrms}, {"frequency", &M::frequency}, {"period", &M::period}, {"duty", &M::duty},
        {"rise", &M::rise}, {"fall", &M::fall},
    };
    // clang-format on
    return kFields;
}

bool DescribeTrace(CWaveFile& file, int trace, MeasuredTrace& out) {
    if (!file.IsOpen() || trace < 0 || trace >= file.GetTraceTotalNumber()) return false;
    const RecordSamples samples(file);
    const RecordTrace& t = samples.Traces()[static_cast<std::size_t>(trace)];
    out.label = t.label;
    out.name = t.name;
    out.unit = t.unit;
    out.kind = TraceKindName(t);
    return true;
}

std::string JsonNumber(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return "null";
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, *value, std::chars_format::general, 17);
    return std::string(buf, r.ptr);
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    char esc[8];
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x20) {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence passes as it is.
        const std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        bool ok = len > 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) ok = (p[i + k] & 0xC0) == 0x80;
        if (ok && len == 3) ok = !(c == 0xE0 && p[i + 1] < 0xA0) && !(c == 0xED && p[i + 1] >= 0xA0);
        if (ok && len == 4) ok = !(c == 0xF0 && p[i + 1] < 0x90) && !(c == 0xF4 && p[i + 1] >= 0x90);
        if (ok) {
            out.append(text.substr(i, len));
            i += len;
        } else {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
            ++i;
        }
    }
    out += '"';
    return out;
}

std::string MeasuredTraceJson(const MeasuredTrace& t) {
    std::string s = "{\"trace\": " + JsonString(t.label) + ", \"name\": " + JsonString(t.name) +
                    ", \"unit\": " + JsonString(t.unit) + ", \"kind\": " + JsonString(t.kind);
    for (const MeasurementField& f : MeasurementFields())
        s += std::string(", \"") + f.key + "\": " + JsonNumber(t.values.*f.value);
    s += ", \"nan\": " + std::to_string(t.values.nan) + "}";
    return s;
}

std::string MeasurementReportJson(const std::string& path, int block, int64_t first, int64_t count,
                                  std::span<const MeasuredTrace> traces) {
    std::string s = "{\"file\": " + JsonString(path) + ", \"block\": " + std::to_string(block) +
                    ", \"first\": " + std::to_string(first) + ", \"count\": " + std::to_string(count) +
                    ", \"traces\": [";
    for (std::size_t i = 0; i < traces.size(); ++i) s += (i ? ", " : "") + MeasuredTraceJson(traces[i]);
    s += "]}";
    return s;
}

}  // namespace kivelo
