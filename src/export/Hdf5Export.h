#pragma once
// HDF5 (.h5, .hdf5): root attributes model, hresolution, hoffset, hunit and
// source; one group per trace named by its label (/W1) with attributes name,
// unit, kind, vresolution and voffset; in it one chunked dataset per record
// (/W1/block0, ...) of the raw samples in their stored type, with attributes
// date, time and first.
#include "export/ExportFormat.h"

namespace kivelo {

class Hdf5Export : public ExportFormat {
public:
    bool ManyRecords() const override { return true; }
    bool Write(const ExportContext& context, StagedFile& out) override;
};

}  // namespace kivelo
