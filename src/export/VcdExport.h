#pragma once
// Value change dump (.vcd): logic traces as wires of their bit count, the
// others as real variables of physical values. The timescale is the largest
// power-of-ten unit (100 s down to 1 fs) in which every sample time is a whole
// number; only changes are written. Times before zero are stated through
// GTKWave's $timezero, as its readers misread negative times. One record per file.
#include <cstdint>

#include "export/ExportFormat.h"

namespace kivelo {

class VcdExport : public ExportFormat {
public:
    bool Write(const ExportContext& context, StagedFile& out) override;

    struct Timescale {
        int exponent = 0;   // the unit is 10^exponent s
        int64_t start = 0;  // time of the first sample written, in units
        int64_t step = 1;   // time between samples, in units
    };
    // The timescale for samples first, first + 1, ... of a time base; false when
    // the samples are closer than 1 fs or their times do not fit 64 bits.
    static bool ChooseTimescale(double hResolution, double hOffset, int64_t first, int64_t count, Timescale& out);
    // "100 s", "1 ms", "10 fs", ...
    static std::string UnitText(int exponent);
};

}  // namespace kivelo
