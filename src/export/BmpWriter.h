#pragma once
// Writing a packed DIB as a .bmp file.
#include <cstdint>
#include <string>
#include <vector>

#include "export/BmpDib.h"

namespace kivelo {

// File header, then the DIB with its colour table cleaned up (near white and
// near black become pure white and black).
std::vector<uint8_t> BmpFileBytes(const PackedDib& dib);

// 1 written, 0 not. The file appears whole or not at all: it is written
// beside the target under a temporary name and then renamed over it.
int WriteBmp(const std::string& path, const PackedDib& dib);
// As above; `error` says why it was not written.
int WriteBmp(const std::string& path, const PackedDib& dib, std::string& error);

}  // namespace kivelo
