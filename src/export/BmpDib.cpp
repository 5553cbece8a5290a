#include "export/BmpDib.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace kivelo {
namespace {

constexpr int kMaxSide = 32768;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

uint32_t Key(const BmpColour& c) { return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue; }

uint8_t Expand5(uint32_t v) {
    const uint32_t c = (v & 0x1F) << 3;
    return static_cast<uint8_t>(c > 7 ? c | 7 : c);
}

BmpColour ColourAt(const CapturedPicture& p, const uint8_t* row, int x) {
    switch (p.bitsPerPixel) {
    case 16: {
        const uint32_t w = row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
        return {Expand5(w), Expand5(w >> 5), Expand5(w >> 10), 0};
    }
    case 24: return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    default: return {row[4 * x], row[4 * x + 1], row[4 * x + 2], 0};
    }
}

// 16-bit pictures are collected by their word, so the table follows the words met.
uint32_t SourceKey(const CapturedPicture& p, const uint8_t* row, int x) {
    if (p.bitsPerPixel == 16) return row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
    return Key(ColourAt(p, row, x));
}

uint8_t Nearest(const std::vector<BmpColour>& table, const BmpColour& c) {
    int best = 0;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < table.size(); ++i) {
        const int64_t dr = int{table[i].red} - c.red, dg = int{table[i].green} - c.green,
                      db = int{table[i].blue} - c.blue;
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return static_cast<uint8_t>(best);
}

bool Consistent(const CapturedPicture& p) {
    static constexpr int kDepths[] = {1, 2, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), p.bitsPerPixel) == std::end(kDepths)) return false;
    if (p.width <= 0 || p.height <= 0 || p.width > kMaxSide || p.height > kMaxSide) return false;
    const int64_t need = (static_cast<int64_t>(p.width) * p.bitsPerPixel + 7) / 8;
    if (p.rowBytes < need) return false;
    return static_cast<int64_t>(p.pixels.size()) >= static_cast<int64_t>(p.rowBytes) * (p.height - 1) + need;
}

}  // namespace

int PackedDib::RowBytes(int width, int bitCount) {
    return static_cast<int>(((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4);
}

std::vector<uint8_t> PackedDib::Serialize() const {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + colourTable.size() * 4 + bits.size());
    Put32(out, kHeaderSize);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, bitCount);
    Put32(out, 0);  // uncompressed
    Put32(out, static_cast<uint32_t>(bits.size()));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(colourTable.size()));
    Put32(out, 0);
    for (const BmpColour& c : colourTable) {
        out.push_back(c.blue);
        out.push_back(c.green);
        out.push_back(c.red);
        out.push_back(0);
    }
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

std::optional<PackedDib> ToPackedDib(const CapturedPicture& p) {
    if (!Consistent(p)) return std::nullopt;
    PackedDib dib;
    dib.width = p.width;
    dib.height = p.height;
    if (p.bitsPerPixel <= 8) {
        dib.bitCount = static_cast<uint16_t>(p.bitsPerPixel);
        dib.colourTable = p.palette;
        dib.colourTable.resize(size_t{1} << p.bitsPerPixel);
        const int stride = PackedDib::RowBytes(p.width, p.bitsPerPixel);
        const int used = (p.width * p.bitsPerPixel + 7) / 8;
        dib.bits.assign(static_cast<size_t>(stride) * p.height, 0);
        for (int y = 0; y < p.height; ++y) {
            const uint8_t* src = p.pixels.data() + static_cast<size_t>(y) * p.rowBytes;
            std::copy(src, src + used, dib.bits.begin() + static_cast<ptrdiff_t>(stride) * (p.height - 1 - y));
        }
        return dib;
    }

    dib.bitCount = 8;
    const int stride = PackedDib::RowBytes(p.width, 8);
    dib.bits.assign(static_cast<size_t>(stride) * p.height, 0);
    std::unordered_map<uint32_t, uint8_t> index;
    // Stored row order: the bottom row of the picture first.
    for (int stored = 0; stored < p.height; ++stored) {
        const uint8_t* row = p.pixels.data() + static_cast<size_t>(p.height - 1 - stored) * p.rowBytes;
        uint8_t* out = dib.bits.data() + static_cast<size_t>(stored) * stride;
        for (int x = 0; x < p.width; ++x) {
            const uint32_t key = SourceKey(p, row, x);
            auto it = index.find(key);
            if (it == index.end()) {
                const BmpColour c = ColourAt(p, row, x);
                const uint8_t i = dib.colourTable.size() < 256 ? static_cast<uint8_t>(dib.colourTable.size())
                                                               : Nearest(dib.colourTable, c);
                if (dib.colourTable.size() < 256) dib.colourTable.push_back(c);
                it = index.emplace(key, i).first;
            }
            out[x] = it->second;
        }
    }
    return dib;
}

void ApplyColourCleanup(std::vector<BmpColour>& table) {
    auto all = [](const BmpColour& c, uint8_t lo, uint8_t hi) {
        return c.red >= lo && c.red <= hi && c.green >= lo && c.green <= hi && c.blue >= lo && c.blue <= hi;
    };
    for (BmpColour& c : table) {
        if (all(c, 0xF0, 0xFB)) {
            c = {0xFF, 0xFF, 0xFF, 0};
        } else if (all(c, 0x0E, 0x11)) {
            c = {0, 0, 0, 0};
        }
    }
}

}  // namespace kivelo
