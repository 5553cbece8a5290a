#pragma once
// The single-sided amplitude spectrum of a span of one trace, mean included
// (bin 0), corrected for the window so that a sine of peak amplitude A on a bin
// shows A and a constant C shows C in bin 0. Spans up to kWholeMax samples are
// transformed whole; longer ones give the mean power of kSegment-sample
// segments overlapping by half (Welch), the tail after the last whole segment
// left out.
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/Outcome.h"
#include "wavefile/CWaveFile.h"

namespace kivelo {

enum class SpectrumWindow { Rect, Hann, Flattop };

// "rect", "hann", "flattop".
bool ParseSpectrumWindow(std::string_view text, SpectrumWindow& out);
const char* SpectrumWindowName(SpectrumWindow window);

struct Spectrum {
    static constexpr int64_t kWholeMax = int64_t{1} << 24;
    static constexpr int64_t kSegment = int64_t{1} << 20;

    std::vector<double> amplitude;  // bins 0 .. n / 2, in the trace's unit
    int64_t length = 0;             // n, the samples of one transform
    int64_t segments = 0;           // transforms averaged
    bool welch = false;
    double binHz = 0.0;  // 1 / (n x sample interval); 0 when the interval is not a positive number

    double Frequency(std::size_t bin) const { return static_cast<double>(bin) * binHz; }
};

// The amplitude spectrum of n values (n >= 1), transformed whole. Non-finite values count as the mean of the
// others. false when the transform could not be made (memory).
bool AmplitudeSpectrum(std::span<const double> values, SpectrumWindow window, std::vector<double>& amplitude);

// The spectrum of [first, first + count) of a trace; false with the cause in error
// (an empty error when stop was raised).
bool ComputeSpectrum(CWaveFile& file, int block, int trace, int64_t first, int64_t count, SpectrumWindow window,
                     Spectrum& out, std::string& error, const std::atomic<bool>* stop = nullptr);

// The spectrum as CSV: "Frequency (Hz),Amplitude (UNIT),Level (dBUNIT)" (",welch" added
// for a Welch mean), then frequency, amplitude and 20 log10(amplitude) ("-inf" for 0) per
// bin. Written whole or not at all; an existing file is kept unless replace.
enum class SpectrumCsvCode { Written, Exists, Failed };
Outcome<SpectrumCsvCode> WriteSpectrumCsv(const std::string& path, const Spectrum& spectrum, const std::string& unit,
                                          bool replace);

}  // namespace kivelo
