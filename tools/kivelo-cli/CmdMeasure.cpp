// kivelo-cli measure: automatic measurements of a span of a record.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliEnvironment.h"
#include "analysis/Measurement.h"
#include "display/NumberFormat.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::cli {

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

const char kHelp[] =
    "Usage: kivelo-cli measure FILE [--block N] [--first N] [--count N] [--traces W1,W3,...] [--json]\n"
    "Measures samples first .. first+count-1 of block N of the traces of FILE (.wvf, .rtm or\n"
    ".fld): min, max, pp, mean, rms, acrms, frequency, period, duty, rise and fall. By default\n"
    "block 0, the whole record and every trace. Logic traces have no measurements.\n"
    "  --block N      block (record) index, from 0\n"
    "  --first N      first sample (default 0)\n"
    "  --count N      number of samples (default: to the end of the record)\n"
    "  --traces LIST  the traces to measure, as W1,W3,...\n"
    "  --json         one JSON object with numbers in seconds, hertz and the traces' units\n"
    "                 (duty as a fraction), null where a value is undefined\n"
    "Exit codes: 0 measured, 1 failure (unreadable file, block or span outside the record),\n"
    "2 usage error.\n";

// "W1,W3" -> {0, 2}; false on anything else.
bool ParseTraces(const std::string& text, std::vector<int>& out) {
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        int trace = 0;
        if (!ParseTraceLabel(std::string_view(text).substr(start, comma - start), trace)) return false;
        out.push_back(trace);
        start = comma + 1;
    }
    return !out.empty();
}

std::string Cell(const std::optional<double>& v, const std::string& unit) {
    if (!v) return "-";
    std::string text;
    FormatValue(*v, unit, 4, 0.0, true, text);
    const std::size_t lead = text.find_first_not_of(' ');
    return lead == std::string::npos ? text : text.substr(lead);
}

void PrintTable(const std::vector<MeasuredTrace>& traces) {
    const char* heads[] = {"Trace",  "Name",      "Min",    "Max",  "P-P",  "Mean", "RMS",
                           "AC RMS", "Frequency", "Period", "Duty", "Rise", "Fall", "NaN"};
    for (const char* h : heads) std::printf("%-14s", h);
    std::printf("\n");
    for (std::size_t i = 0; i < traces.size(); ++i) {
        const MeasuredTrace& t = traces[i];
        const TraceMeasurement& m = t.values;
        std::optional<double> duty;
        if (m.duty) duty = *m.duty * 100.0;
        const std::string cells[] = {t.label,
                                     t.name,
                                     Cell(m.min, t.unit),
                                     Cell(m.max, t.unit),
                                     Cell(m.pp, t.unit),
                                     Cell(m.mean, t.unit),
                                     Cell(m.rms, t.unit),
                                     Cell(m.acrms, t.unit),
                                     Cell(m.frequency, "Hz"),
                                     Cell(m.period, "s"),
                                     Cell(duty, "%"),
                                     Cell(m.rise, "s"),
                                     Cell(m.fall, "s"),
                                     std::to_string(m.nan)};
        for (const std::string& c : cells) std::printf("%-13s ", c.c_str());
        std::printf("\n");
    }
}

}  // namespace

int RunMeasure(int argc, char** argv) {
    CliArgs args({{"--block", true}, {"--first", true}, {"--count", true}, {"--traces", true}, {"--json", false}});
    int exitCode = kExitOk;
    if (!args.ParseCommand(argc, argv, "measure", kHelp, "FILE", exitCode)) return exitCode;
    int64_t block = 0, first = 0, count = 0;
    if (!args.SpanValues(0, 1, block, first, count)) return UsageError("measure", args.Error());
    std::vector<int> selected;
    if (const std::string* list = args.Value("--traces"); list != nullptr && !ParseTraces(*list, selected))
        return UsageError("measure", "--traces needs trace labels such as W1,W3, not '" + *list + "'");

    const std::string& path = args.Positional()[0];
    std::string error;
    auto file = OpenWaveFileAt(path, 0, error, ReaderOptions());
    if (!file) return Report(error);
    if (selected.empty())
        for (int t = 0; t < file->GetTraceTotalNumber(); ++t) selected.push_back(t);
    // The engine says what the file cannot give; the record's length (that of the
    // shortest trace measured) is only for the default count.
    if (!args.Has("--count") && block < file->GetBlockNumber()) {
        int64_t size = kInt32Max;
        for (int t : selected)
            if (t < file->GetTraceTotalNumber())
                size = std::min<int64_t>(size, file->GetBlockSize(static_cast<int>(block), t));
        count = std::max<int64_t>(size - first, 1);
    }

    std::vector<MeasuredTrace> results;
    for (int t : selected) {
        MeasuredTrace r;
        DescribeTrace(*file, t, r);
        if (!MeasureTrace(*file, static_cast<int>(block), t, first, count, r.values, error))
            return Report("W" + std::to_string(t + 1) + ": " + error);
        results.push_back(std::move(r));
    }
    if (args.Has("--json"))
        std::printf("%s\n", MeasurementReportJson(path, static_cast<int>(block), first, count, results).c_str());
    else PrintTable(results);
    return kExitOk;
}

}  // namespace kivelo::cli
