#pragma once
// Selects a data region of a realtime file for as long as the scope lives; the
// region and the byte-order setting the file had come back when it ends.
#include "wavefile/CRtmFile.h"

namespace kivelo {

class RtmRegionScope {
public:
    RtmRegionScope(CRtmFile& file, int region)
        : file_(file), region_(file.GetRegion()), swap_(file.GetByteOrderConversion()) {
        file_.SelectRegion(region);
    }
    ~RtmRegionScope() {
        file_.SelectRegion(region_);
        file_.SetByteOrderConversion(swap_);
    }
    RtmRegionScope(const RtmRegionScope&) = delete;
    RtmRegionScope& operator=(const RtmRegionScope&) = delete;

private:
    CRtmFile& file_;
    int region_;
    bool swap_;
};

}  // namespace kivelo
