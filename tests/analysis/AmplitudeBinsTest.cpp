// Amplitude spectra: on-bin sines and constants under every window, the Welch
// path of long spans, and the CSV file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "AnalysisRecords.h"
#include "analysis/AmplitudeBins.h"

namespace kivelo {
namespace {

constexpr SpectrumWindow kWindows[] = {SpectrumWindow::Rect, SpectrumWindow::Hann, SpectrumWindow::Flattop};

std::vector<double> Sine(int64_t n, double bin, double amplitude, double dc) {
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int64_t i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = dc + amplitude * std::sin(2 * std::numbers::pi * bin * i / n + 0.7);
    return v;
}

TEST(Spectrum, OnBinSineAndConstantShowTheirAmplitudes) {
    for (SpectrumWindow w : kWindows) {
        for (int64_t n : {4096, 4095}) {
            const std::string what = std::string(SpectrumWindowName(w)) + " n " + std::to_string(n);
            std::vector<double> a;
            ASSERT_TRUE(AmplitudeSpectrum(Sine(n, 100, 3.0, 0.5), w, a)) << what;
            ASSERT_EQ(a.size(), static_cast<std::size_t>(n / 2 + 1)) << what;
            EXPECT_EQ(std::max_element(a.begin() + 1, a.end()) - a.begin(), 100) << what;
            EXPECT_NEAR(a[100], 3.0, 1e-9) << what;
            EXPECT_NEAR(a[0], 0.5, 1e-9) << what;
            EXPECT_LT(a[300], 1e-9) << what;

            ASSERT_TRUE(AmplitudeSpectrum(std::vector<double>(static_cast<std::size_t>(n), -2.5), w, a)) << what;
            EXPECT_NEAR(a[0], 2.5, 1e-12) << what;
            EXPECT_LT(*std::max_element(a.begin() + 5, a.end()), 1e-12) << what;
        }
    }
    std::vector<double> a;
    ASSERT_TRUE(AmplitudeSpectrum(std::vector<double>{std::nan(""), 4.0, 4.0}, SpectrumWindow::Rect, a));
    EXPECT_DOUBLE_EQ(a[0], 4.0);  // a value that is no number counts as the mean of the others
}

// A span longer than the whole-transform limit is the mean of half-overlapping segments.
TEST(Spectrum, LongSpansAreWelchMeans) {
    const int64_t n = Spectrum::kWholeMax + Spectrum::kSegment / 2 + 100;
    test::TraceSamples t;
    t.vResolution = 1e-4;
    t.raw.resize(static_cast<std::size_t>(n));
    // 1024 samples per period: on bin 1024 of every segment.
    for (int64_t i = 0; i < n; ++i)
        t.raw[static_cast<std::size_t>(i)] = std::lround(20000 * std::sin(2 * std::numbers::pi * i / 1024.0) + 500);
    TempDir dir;
    CWaveFile file;
    ASSERT_EQ(file.Open(test::WriteSamplesRecord(dir, "long.wvf", {t}, 1e-3), 0), kOpenOk);
    Spectrum s;
    std::string error;
    ASSERT_TRUE(ComputeSpectrum(file, 0, 0, 0, n, SpectrumWindow::Hann, s, error)) << error;
    EXPECT_TRUE(s.welch);
    EXPECT_EQ(s.length, Spectrum::kSegment);
    EXPECT_EQ(s.segments, 2 * (Spectrum::kWholeMax / Spectrum::kSegment));
    EXPECT_NEAR(s.Frequency(1024), 1024 / (Spectrum::kSegment * 1e-3), 1e-9);
    EXPECT_NEAR(s.amplitude[1024], 2.0, 1e-4);
    EXPECT_NEAR(s.amplitude[0], 0.05, 1e-6);

    ASSERT_TRUE(ComputeSpectrum(file, 0, 0, 4096, 8192, SpectrumWindow::Rect, s, error)) << error;
    EXPECT_FALSE(s.welch);
    EXPECT_EQ(s.amplitude.size(), 4097u);
    EXPECT_NEAR(s.amplitude[8], 2.0, 1e-4);

    EXPECT_FALSE(ComputeSpectrum(file, 0, 0, n - 10, 11, SpectrumWindow::Rect, s, error));
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
}

TEST(Spectrum, CsvFileIsWholeAndKeepsExistingFiles) {
    Spectrum s;
    s.amplitude = {1.0, 0.0, 0.25};
    s.binHz = 10.0;
    s.welch = true;
    TempDir dir;
    const std::string path = dir.File("s.csv");
    auto written = WriteSpectrumCsv(path, s, "mV", false);
    ASSERT_TRUE(written.Ok()) << written.message;
    EXPECT_EQ(wavegen::ReadFileText(path),
              "Frequency (Hz),Amplitude (mV),Level (dBmV),welch\n0,1,0\n10,0,-inf\n20,0.25,-12.04119983\n");
    EXPECT_EQ(WriteSpectrumCsv(path, s, "V", false).code, SpectrumCsvCode::Exists);
    s.welch = false;
    written = WriteSpectrumCsv(path, s, "V", true);
    ASSERT_TRUE(written.Ok()) << written.message;
    EXPECT_EQ(wavegen::ReadFileText(path).substr(0, 45), "Frequency (Hz),Amplitude (V),Level (dBV)\n0,1,");
}

}  // namespace
}  // namespace kivelo
