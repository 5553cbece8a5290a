#pragma once
// Realtime file -> .wvf/.hdr pair, whole or reduced 100 or 1,000 times. No reduction
// is computed: the samples of the matching region are copied as stored, trace after
// trace, and the header is copied with its horizontal numbers rewritten.
#include <string>

#include "wavefile/CHdrFile.h"
#include "wavefile/CRtmFile.h"

namespace kivelo {

enum ConvertResult : int {
    kConvertOk = -1,
    kConvertFailed = 0,
    kConvertExists = 5,  // the data file exists and is not empty: nothing written
};

// mode 0, 1, 2: region and divisor 1, 100, 1,000. The header goes to
// ConvertedHeaderPath(dataPath). On failure nothing this call created is left and
// an empty data file that was there is empty again; message says why.
int SaveAsWvf(CRtmFile& file, int mode, const std::string& dataPath, std::string& message);
int SaveAsWvf(CRtmFile& file, int mode, const std::string& dataPath);

// Copies the header that `header` was read from to newPath with CR LF line ends:
// BlockSize and DisplayBlockSize values divided by divisor, HResolution values
// multiplied by it, everything from a "$ApplicationInfo" line on left out. Fails
// (nothing written) past 10,000 lines, for a divisor below 1, or when newPath is
// the source itself.
int CopyHeaderWithRatio(const CHdrFile& header, const std::string& newPath, int divisor, std::string& message);
int CopyHeaderWithRatio(const CHdrFile& header, const std::string& newPath, int divisor);

// The data path cut before the last lower-case 'w' of its file name, plus "hdr"
// ("/d/rec.wvf" -> "/d/rec.hdr"); empty when the file name has no 'w'.
std::string ConvertedHeaderPath(const std::string& dataPath);

}  // namespace kivelo
