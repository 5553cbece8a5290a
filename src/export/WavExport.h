#pragma once
// WAV (.wav): one channel per exported trace, 32-bit IEEE float physical
// values, sample rate round(1 / HResolution). One record per file, at most
// 4 GiB of samples (the RIFF size fields are 32 bits).
#include "export/ExportFormat.h"

namespace kivelo {

class WavExport : public ExportFormat {
public:
    bool Write(const ExportContext& context, StagedFile& out) override;
};

}  // namespace kivelo
