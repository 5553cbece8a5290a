// kivelo-cli measure and spectrum on generated files: the JSON parsed back and
// compared with the engine's own values, the CSV's lines, exit codes.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "analysis/Measurement.h"
#include "wavefile/WaveDocument.h"

namespace kivelo {
namespace {

using nlohmann::ordered_json;

const char* const kTraceKeys[] = {"trace", "name",  "unit",      "kind",   "min",  "max",  "pp",   "mean",
                                  "rms",   "acrms", "frequency", "period", "duty", "rise", "fall", "nan"};

std::vector<std::string> Keys(const ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& [k, v] : object.items()) keys.push_back(k);
    return keys;
}

// Every value equals the engine's to the last bit (17 digits round-trip a double).
void ExpectEngineValues(const std::string& path, const ordered_json& report) {
    std::string error;
    auto file = OpenWaveFileAt(path, 0, error);
    ASSERT_TRUE(file) << error;
    for (const ordered_json& t : report["traces"]) {
        EXPECT_EQ(Keys(t), std::vector<std::string>(std::begin(kTraceKeys), std::end(kTraceKeys)));
        const int trace = std::stoi(t["trace"].get<std::string>().substr(1)) - 1;
        TraceMeasurement m;
        ASSERT_TRUE(MeasureTrace(*file, report["block"], trace, report["first"], report["count"], m, error)) << error;
        for (const MeasurementField& f : MeasurementFields()) {
            const auto& want = m.*f.value;
            if (want) {
                EXPECT_EQ(t[f.key].get<double>(), *want) << f.key;
            } else {
                EXPECT_TRUE(t[f.key].is_null()) << f.key;
            }
        }
        EXPECT_EQ(t["nan"], m.nan);
    }
}

TEST(KiveloCliMeasure, JsonHoldsTheEnginesValues) {
    TempDir dir;
    Generate(dir.Path(), "wvf s.wvf --traces 3 --blocks 2 --samples 5000 --signal sine --period 250 --hres 1e-4");
    Generate(dir.Path(), "wvf l.wvf --traces 1 --samples 100 --type B16 --signal logic");
    const struct {
        const char* args;
        int block, first, count;
        std::vector<std::string> traces;
    } cases[] = {
        {"s.wvf", 0, 0, 5000, {"W1", "W2", "W3"}},
        {"s.wvf --block 1 --first 100 --count 1000 --traces W3,w1", 1, 100, 1000, {"W3", "W1"}},
        {"l.wvf", 0, 0, 100, {"W1"}},
    };
    for (const auto& c : cases) {
        const RunResult r = Cli(dir.Path(), std::string("measure ") + c.args + " --json");
        ASSERT_EQ(r.code, 0) << c.args << r.err;
        ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
        const ordered_json report = ordered_json::parse(r.out);
        EXPECT_EQ(Keys(report), (std::vector<std::string>{"file", "block", "first", "count", "traces"}));
        EXPECT_EQ(report["block"], c.block);
        EXPECT_EQ(report["first"], c.first);
        EXPECT_EQ(report["count"], c.count);
        std::vector<std::string> labels;
        for (const auto& t : report["traces"]) labels.push_back(t["trace"]);
        EXPECT_EQ(labels, c.traces) << c.args;
        ExpectEngineValues(dir.File(report["file"]), report);
    }
    const ordered_json sine = ordered_json::parse(Cli(dir.Path(), "measure s.wvf --json").out)["traces"][0];
    EXPECT_NEAR(sine["frequency"].get<double>(), 1.0 / (250 * 1e-4), 1e-6);
    EXPECT_EQ(sine["kind"], "signed");
    EXPECT_EQ(sine["unit"], "V");
    EXPECT_EQ(ordered_json::parse(Cli(dir.Path(), "measure l.wvf --json").out)["traces"][0]["kind"], "logic");

    const RunResult text = Cli(dir.Path(), "measure s.wvf --traces W2");
    ASSERT_EQ(text.code, 0);
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 2) << text.out;
    EXPECT_EQ(text.out.find("W2            CH2"), text.out.find('\n') + 1) << text.out;
}

TEST(KiveloCliMeasure, SpectrumCsv) {
    TempDir dir;
    Generate(dir.Path(), "wvf s.wvf --traces 1 --samples 4000 --signal sine --period 100 --hres 1e-3");
    RunResult r = Cli(dir.Path(), "spectrum s.wvf --trace W1 -o sp.csv --window flattop");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string csv = wavegen::ReadFileText(dir.File("sp.csv"));
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "Frequency (Hz),Amplitude (V),Level (dBV)");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 2001);
    // The peak: bin 40 at 10 Hz.
    std::istringstream lines(csv.substr(csv.find('\n') + 1));
    double best = -1, bestHz = -1;
    for (std::string line; std::getline(lines, line);) {
        const double hz = std::stod(line), a = std::stod(line.substr(line.find(',') + 1));
        if (a > best) best = a, bestHz = hz;
    }
    EXPECT_DOUBLE_EQ(bestHz, 10.0);

    r = Cli(dir.Path(), "spectrum s.wvf --trace W1 -o sp.csv");
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(wavegen::ReadFileText(dir.File("sp.csv")), csv);
    r = Cli(dir.Path(), "spectrum s.wvf --trace W1 -o sp.csv --force --count 10");
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string shorter = wavegen::ReadFileText(dir.File("sp.csv"));
    EXPECT_EQ(std::count(shorter.begin(), shorter.end(), '\n'), 1 + 6);
}

// 2 usage, 1 what the file cannot give; a refused spectrum leaves no file.
TEST(KiveloCliMeasure, ExitCodes) {
    TempDir dir;
    Generate(dir.Path(), "wvf s.wvf --traces 2 --samples 5000");
    Generate(dir.Path(), "wvf l.wvf --traces 1 --samples 100 --type B16 --signal logic");
    const struct {
        const char* args;
        int code;
    } cases[] = {
        // clang-format off
        {"measure", 2}, {"measure s.wvf --bogus", 2}, {"measure s.wvf --count 0", 2}, {"measure s.wvf --first -1", 2},
        {"measure s.wvf --traces X1", 2}, {"measure s.wvf --traces W1,", 2}, {"measure s.wvf --block x", 2},
        {"measure s.wvf --block 1", 1}, {"measure s.wvf --first 5000", 1}, {"measure s.wvf --first 10 --count 4991", 1},
        {"measure s.wvf --traces W3", 1}, {"measure missing.wvf", 1}, {"measure notes.txt", 1},
        {"spectrum s.wvf -o g.csv", 2}, {"spectrum s.wvf --trace W1", 2}, {"spectrum s.wvf --trace 1 -o g.csv", 2},
        {"spectrum s.wvf --trace W1 -o g.csv --window kaiser", 2}, {"spectrum s.wvf --trace W3 -o g.csv", 1},
        {"spectrum s.wvf --trace W1 -o g.csv --first 4999 --count 2", 1}, {"spectrum l.wvf --trace W1 -o g.csv", 1},
        {"spectrum missing.wvf --trace W1 -o g.csv", 1}, {"spectrum s.wvf --trace W1 -o nodir/g.csv", 1},
        // clang-format on
    };
    for (const auto& c : cases) {
        const RunResult r = Cli(dir.Path(), c.args);
        EXPECT_EQ(r.code, c.code) << c.args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_EQ(::access(dir.File("g.csv").c_str(), F_OK), -1);
}

}  // namespace
}  // namespace kivelo
