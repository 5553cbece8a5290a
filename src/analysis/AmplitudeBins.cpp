#include "analysis/AmplitudeBins.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

#include "analysis/FftPlan.h"
#include "analysis/Moments.h"
#include "analysis/SampleSource.h"
#include "common/StagedFile.h"

namespace kivelo {

namespace {

// Multiplies the n values by the window (periodic form, so that a sine on a bin
// leaks nowhere) and returns the window's sum. Non-finite values become the mean
// of the others first.
double ApplyWindow(std::span<double> x, SpectrumWindow window) {
    const std::size_t n = x.size();
    double sum = 0.0;
    std::size_t finite = 0;
    for (double v : x)
        if (std::isfinite(v)) sum += v, ++finite;
    if (finite < n) {
        const double fill = finite > 0 ? sum / static_cast<double>(finite) : 0.0;
        for (double& v : x)
            if (!std::isfinite(v)) v = fill;
    }
    if (window == SpectrumWindow::Rect) return static_cast<double>(n);
    // cos(i theta) by rotation, started afresh every kSeed samples to keep it exact to a few ulps.
    constexpr std::size_t kSeed = 4096;
    const double theta = 2.0 * std::numbers::pi / static_cast<double>(n);
    const double cd = std::cos(theta), sd = std::sin(theta);
    double weight = 0.0, c = 1.0, s = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % kSeed == 0) {
            c = std::cos(theta * static_cast<double>(i));
            s = std::sin(theta * static_cast<double>(i));
        }
        double w;
        if (window == SpectrumWindow::Hann) {
            w = 0.5 - 0.5 * c;
        } else {
            // Flat top (a0..a4 as in common use); cos k theta from cos theta.
            const double c2 = 2 * c * c - 1, c3 = c * (2 * c2 - 1), c4 = 2 * c2 * c2 - 1;
            w = 0.21557895 - 0.41663158 * c + 0.277263158 * c2 - 0.083578947 * c3 + 0.006947368 * c4;
        }
        x[i] *= w;
        weight += w;
        const double next = c * cd - s * sd;
        s = s * cd + c * sd;
        c = next;
    }
    return weight;
}

// Adds |X_k|^2 of the transform of the plan's input (windowed in place) to power;
// returns the window's sum.
double AddPower(FftPlan& plan, SpectrumWindow window, std::vector<double>& power) {
    const double weight = ApplyWindow(plan.Input(), window);
    plan.Run();
    const auto out = plan.Output();
    power.resize(out.size(), 0.0);
    for (std::size_t k = 0; k < out.size(); ++k) power[k] += std::norm(out[k]);
    return weight;
}

// Amplitudes from summed powers of `segments` transforms of n points.
void ToAmplitude(std::vector<double>& power, int64_t n, int64_t segments, double weight) {
    for (std::size_t k = 0; k < power.size(); ++k) {
        // Both halves of the spectrum meet in bins other than 0 and n / 2.
        const bool single = k == 0 || (n % 2 == 0 && static_cast<int64_t>(k) == n / 2);
        power[k] = std::sqrt(power[k] / static_cast<double>(segments)) * (single ? 1.0 : 2.0) / weight;
    }
}

void AppendNumber(std::string& line, double v) {
    if (std::isinf(v)) {
        line += v < 0 ? "-inf" : "inf";
        return;
    }
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
    line.append(buf, r.ptr);
}

// Each thread keeps its last plan up to this size: a window redraws spectra of one
// length again and again, and a plan's twiddles and pages cost more than its transform.
constexpr int64_t kKeptPlan = int64_t{1} << 22;

std::unique_ptr<FftPlan>& KeptPlan() {
    static thread_local std::unique_ptr<FftPlan> kept;
    return kept;
}

std::unique_ptr<FftPlan> TakePlan(int64_t n) {
    if (auto& kept = KeptPlan(); kept && kept->Size() == n) return std::move(kept);
    return std::make_unique<FftPlan>(n);
}

void KeepPlan(std::unique_ptr<FftPlan> plan) {
    if (plan->Size() <= kKeptPlan) KeptPlan() = std::move(plan);
}

}  // namespace

bool ParseSpectrumWindow(std::string_view text, SpectrumWindow& out) {
    for (SpectrumWindow w : {SpectrumWindow::Rect, SpectrumWindow::Hann, SpectrumWindow::Flattop}) {
        if (text == SpectrumWindowName(w)) {
            out = w;
            return true;
        }
    }
    return false;
}

const char* SpectrumWindowName(SpectrumWindow window) {
    switch (window) {
    case SpectrumWindow::Rect: return "rect";
    case SpectrumWindow::Hann: return "hann";
    case SpectrumWindow::Flattop: break;
    }
    return "flattop";
}

bool AmplitudeSpectrum(std::span<const double> values, SpectrumWindow window, std::vector<double>& amplitude) {
    const auto n = static_cast<int64_t>(values.size());
    auto plan = TakePlan(n);
    if (!plan->Ok()) return false;
    std::memcpy(plan->Input().data(), values.data(), values.size() * sizeof(double));
    amplitude.clear();
    const double weight = AddPower(*plan, window, amplitude);
    ToAmplitude(amplitude, n, 1, weight);
    KeepPlan(std::move(plan));
    return true;
}

bool ComputeSpectrum(CWaveFile& file, int block, int trace, int64_t first, int64_t count, SpectrumWindow window,
                     Spectrum& out, std::string& error, const std::atomic<bool>* stop) {
    out = Spectrum{};
    error.clear();
    SampleSource source;
    if (!source.Open(file, block, trace, error) || !source.CheckSpan(first, count, error)) return false;
    if (source.IsLogic()) {
        error = source.Label() + " is a logic trace: it has no spectrum";
        return false;
    }
    if (count < 1) {
        error = "a spectrum needs at least one sample";
        return false;
    }
    out.welch = count > Spectrum::kWholeMax;
    const int64_t n = out.welch ? Spectrum::kSegment : count;
    auto kept = TakePlan(n);
    FftPlan& plan = *kept;
    if (!plan.Ok()) {
        error = "no memory for a transform of " + std::to_string(n) + " samples";
        return false;
    }
    const double gain = source.Gain(), offset = source.Offset();
    // Reads values [from, from + m) into the plan's input at `at`.
    const auto fill = [&](int64_t from, int64_t m, int64_t at) {
        double* dst = plan.Input().data() + at;
        return source.Read(
            from, m,
            [&](const uint8_t* bytes, int64_t k, int64_t pos) {
                ToPhysical(source.Type(), bytes, k, gain, offset, dst + (pos - from));
                return stop == nullptr || !stop->load(std::memory_order_relaxed);
            },
            error);
    };
    double weight = 0.0;
    std::vector<double> raw, power;
    if (!out.welch) {
        if (!fill(first, n, 0)) return false;
        weight = AddPower(plan, window, power);
        out.segments = 1;
    } else {
        // Each segment's second half is the next one's first: read only the new half.
        const int64_t half = n / 2;
        raw.resize(static_cast<std::size_t>(n));
        for (int64_t start = first; start + n <= first + count; start += half) {
            if (start == first) {
                if (!fill(start, n, 0)) return false;
            } else {
                std::memcpy(plan.Input().data(), raw.data() + half, static_cast<std::size_t>(half) * sizeof(double));
                if (!fill(start + half, half, half)) return false;
            }
            std::memcpy(raw.data(), plan.Input().data(), raw.size() * sizeof(double));
            weight = AddPower(plan, window, power);
            ++out.segments;
        }
    }
    KeepPlan(std::move(kept));
    ToAmplitude(power, n, out.segments, weight);
    out.amplitude = std::move(power);
    out.length = n;
    const double interval = source.SampleInterval();
    if (interval > 0.0 && std::isfinite(interval)) out.binHz = 1.0 / (static_cast<double>(n) * interval);
    return true;
}

Outcome<SpectrumCsvCode> WriteSpectrumCsv(const std::string& path, const Spectrum& spectrum, const std::string& unit,
                                          bool replace) {
    StagedFile file;
    const auto failed = [&file] {
        return Outcome<SpectrumCsvCode>{
            file.ErrorNumber() == EEXIST ? SpectrumCsvCode::Exists : SpectrumCsvCode::Failed, file.Error()};
    };
    if (!file.Create(path, replace ? StagedFile::Existing::Replace : StagedFile::Existing::Keep)) return failed();
    std::string line = "Frequency (Hz),Amplitude (" + unit + "),Level (dB" + unit + ")";
    if (spectrum.welch) line += ",welch";
    line += "\n";
    bool ok = file.Append(line);
    for (std::size_t k = 0; ok && k < spectrum.amplitude.size(); ++k) {
        const double a = spectrum.amplitude[k];
        line.clear();
        AppendNumber(line, spectrum.Frequency(k));
        line += ',';
        AppendNumber(line, a);
        line += ',';
        AppendNumber(line, 20.0 * std::log10(a));
        line += "\n";
        ok = file.Append(line);
    }
    if (!ok || !file.Commit()) return failed();
    return {};
}

}  // namespace kivelo
