#pragma once
// sigrok session (.sr), written by libsigrok's own srzip output module as
// sigrok-cli does: analog traces become analog channels of physical values
// named by their trace names, logic traces one logic channel per bit; the
// samplerate is 1 / HResolution. One record per file.
#include "export/ExportFormat.h"

namespace kivelo {

class SrExport : public ExportFormat {
public:
    bool Write(const ExportContext& context, StagedFile& out) override;
};

}  // namespace kivelo
