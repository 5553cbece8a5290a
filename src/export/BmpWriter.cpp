#include "export/BmpWriter.h"

#include <string_view>

#include "common/StagedFile.h"

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
    std::string error;
    return WriteBmp(path, dib, error);
}

int WriteBmp(const std::string& path, const PackedDib& dib, std::string& error) {
    if (path.empty() || dib.width <= 0 || dib.height <= 0) {
        error = path.empty() ? "No file name" : "The picture is empty";
        return 0;
    }
    const std::vector<uint8_t> bytes = BmpFileBytes(dib);
    StagedFile out(bytes.size());
    if (out.Create(path, StagedFile::Existing::Replace) && out.Append(std::span<const uint8_t>(bytes)) && out.Commit())
        return 1;
    error = out.Error();
    return 0;
}

}  // namespace kivelo
