#include "app/core/ValueParse.h"

#include "common/NumberScan.h"

namespace kivelo::app {

std::optional<double> ParseLeadingNumber(std::string_view text) {
    return ScanLeadingReal(SkipLeadingBlanks(text), RealOverflow::kNoNumber);
}

}  // namespace kivelo::app
