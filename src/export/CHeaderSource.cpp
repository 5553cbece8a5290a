#include "export/CHeaderSource.h"

namespace kivelo {

int CHeaderSource::GetDataPart(std::vector<uint8_t>& data) {
    data.clear();
    return kSourceOk;
}

}  // namespace kivelo
