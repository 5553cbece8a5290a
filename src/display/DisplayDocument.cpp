#include "display/DisplayDocument.h"

namespace kivelo {
namespace {
const std::string kEmpty;
}

const std::string& DisplayDocument::DateText(int record) const {
    return record >= 0 && static_cast<size_t>(record) < dateTexts.size() ? dateTexts[static_cast<size_t>(record)]
                                                                         : kEmpty;
}

const std::string& DisplayDocument::TimeText(int record) const {
    return record >= 0 && static_cast<size_t>(record) < timeTexts.size() ? timeTexts[static_cast<size_t>(record)]
                                                                         : kEmpty;
}

}  // namespace kivelo
