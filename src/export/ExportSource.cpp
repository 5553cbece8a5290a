#include "export/ExportSource.h"

#include <cmath>

#include "wavefile/NumberText.h"

namespace kivelo {

ExportSource::ExportSource(CWaveFile& file) : samples_(file) {
    for (const ExportTrace& t : samples_.Traces()) {
        if (!t.recognised) {
            message_ = t.label + " has a sample type that cannot be exported";
            break;
        }
        if (!t.readable) {
            message_ = t.label + " has " + std::to_string(t.width) + "-byte samples, which cannot be exported";
            break;
        }
    }
}

bool ExportSource::SampleRate(int64_t& rate, std::string& message) const {
    constexpr double kMaxRate = 2147483647.0;
    const double resolution = Horz().HResolution;
    const double hz = resolution > 0.0 ? std::round(1.0 / resolution) : 0.0;
    if (!(hz >= 1.0 && hz <= kMaxRate)) {
        message = "The sample rate 1 / HResolution (HResolution " + FormatCrt("%G", resolution) +
                  ") is not within 1 Hz .. 2147483647 Hz";
        return false;
    }
    rate = static_cast<int64_t>(hz);
    return true;
}

}  // namespace kivelo
