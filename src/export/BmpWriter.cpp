#include "BmpWriter.h"

#include <string_view>

#include "AtomicOutputFile.h"

namespace kivelo {

std::vector<uint8_t> BmpFileBytes(const PackedDib& dib) {
    PackedDib cleaned = dib;
    if (cleaned.colourTable.size() > 256) cleaned.colourTable.resize(256);
    ApplyColourCleanup(cleaned.colourTable);
    const std::vector<uint8_t> body = cleaned.Serialize();
    const uint32_t fileSize = static_cast<uint32_t>(body.size() + 14);
    const uint32_t offset = static_cast<uint32_t>(14 + PackedDib::kHeaderSize + 4 * cleaned.colourTable.size());
    std::vector<uint8_t> out{'B', 'M'};
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(fileSize >> (8 * i)));
    out.insert(out.end(), {0, 0, 0, 0});
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(offset >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

int WriteBmp(const std::string& path, const PackedDib& dib) {
    if (path.empty() || dib.width <= 0 || dib.height <= 0) return 0;
    const std::vector<uint8_t> bytes = BmpFileBytes(dib);
    AtomicOutputFile out(bytes.size());
    if (!out.Create(path)) return 0;
    if (!out.Append(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) return 0;
    return out.Commit() ? 1 : 0;
}

}  // namespace kivelo
