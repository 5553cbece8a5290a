#include "WaveHeader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "HeaderBuilder.h"

namespace kivelo::wavegen {
namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Key of a per-block line: numbered when the group has several blocks.
std::string BlockKey(const char* key, int blocks, int b) {
    return blocks > 1 ? std::string(key) + std::to_string(b + 1) : std::string(key);
}

struct RawRange {
    double min, max;
};

RawRange RangeOf(const SampleType& t) {
    const int bits = 8 * t.width;
    switch (t.kind) {
    case TypeKind::Float: return {-3.0e38, 3.0e38};
    case TypeKind::Unsigned:
    case TypeKind::Bit: return {0.0, std::ldexp(1.0, bits) - 1.0};
    default: return {-std::ldexp(1.0, bits - 1), std::ldexp(1.0, bits - 1) - 1.0};
    }
}

void WriteGroup(HeaderBuilder& out, const HeaderOptions& h, const std::vector<TraceDesc>& traces, int first, int count,
                int blocks, const std::function<int64_t(int, int)>& blockSize) {
    std::vector<std::string> names, types, units, hunits, sizes;
    std::vector<double> res, off, plus, minus, illegal, vmax, vmin, hres, hoff;
    for (int t = first; t < first + count; ++t) {
        const TraceDesc& tr = traces[static_cast<std::size_t>(t)];
        const SampleType type = ParseSampleType(tr.type);
        const double r = TraceVResolution(tr);
        const RawRange range = RangeOf(type);
        names.push_back(TraceName(tr, t));
        types.push_back(tr.type);
        units.push_back(tr.vUnit);
        hunits.push_back(h.hUnit);
        res.push_back(r);
        off.push_back(tr.vOffset);
        vmax.push_back(range.max * r + tr.vOffset);
        vmin.push_back(range.min * r + tr.vOffset);
        plus.push_back(vmax.back() + r);
        minus.push_back(vmin.back() - r);
        illegal.push_back(0.0);
        hres.push_back(h.hResolution);
        hoff.push_back(h.hOffset);
    }
    out.Single("TraceNumber", std::to_string(count));
    out.Single("BlockNumber", std::to_string(blocks));
    out.Columns("TraceName", names);
    for (int b = 0; b < blocks; ++b) {
        sizes.clear();
        for (int t = first; t < first + count; ++t) sizes.push_back(std::to_string(blockSize(t, b)));
        out.Columns(BlockKey("BlockSize", blocks, b), sizes);
    }
    out.Reals("VResolution", res);
    out.Reals("VOffset", off);
    out.Columns("VDataType", types);
    out.Columns("VUnit", units);
    out.Reals("VPlusOverData", plus);
    out.Reals("VMinusOverData", minus);
    out.Reals("VIllegalData", illegal);
    out.Reals("VMaxData", vmax);
    out.Reals("VMinData", vmin);
    out.Reals("HResolution", hres);
    out.Reals("HOffset", hoff);
    out.Columns("HUnit", hunits);

    const bool single = h.dateStyle == DateStyle::SingleLine ||
                        (h.dateStyle == DateStyle::Auto && (StartsWith(h.model, "QV31") || StartsWith(h.model, "QV6")));
    auto stamps = [&](const char* key, const std::string& placeholder, auto valueOf) {
        if (single) {
            std::vector<std::string> v;
            for (int i = 0; i < count; ++i) v.push_back(i < h.datePlaceholders ? placeholder : valueOf(0));
            out.Columns(key, v);
            return;
        }
        for (int b = 0; b < blocks; ++b) {
            out.Columns(BlockKey(key, blocks, b), std::vector<std::string>(count, valueOf(b)));
        }
    };
    stamps("Date", "????", [&](int) { return h.date; });
    stamps("Time", "??:??:??", [&](int b) { return BlockTime(h, b); });
}

}  // namespace

bool IsBigEndian(const HeaderOptions& h) { return h.endian != "Ltl"; }

std::string TraceName(const TraceDesc& t, int index) {
    return t.name.empty() ? "CH" + std::to_string(index + 1) : t.name;
}

double TraceVResolution(const TraceDesc& t) {
    if (t.vResolution != 0.0) return t.vResolution;
    const SampleType type = ParseSampleType(t.type);
    if (type.kind == TypeKind::Signed || type.kind == TypeKind::Unsigned) {
        return 10.0 / std::ldexp(1.0, 8 * type.width - 1);
    }
    return 1.0;
}

std::string BlockTime(const HeaderOptions& h, int block) {
    int hh = 0, mm = 0, ss = 0;
    if (std::sscanf(h.time.c_str(), "%d:%d:%d", &hh, &mm, &ss) != 3) return h.time;
    const long total = ((hh * 60L + mm) * 60L + ss + block) % 86400L;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    return buf;
}

std::string BuildHeader(const HeaderOptions& h, const std::vector<TraceDesc>& traces, int blocks,
                        const std::function<int64_t(int, int)>& blockSize,
                        const std::optional<PrivateKeys>& privateKeys) {
    HeaderBuilder out;
    const int n = static_cast<int>(traces.size());
    const int per = std::max(1, h.tracesPerGroup);
    const int groups = (n + per - 1) / per;
    if (h.firstLine) {
        out.Line("//ORVANTIS ASCII FILE FORMAT");
        out.Blank();
    }
    out.Line("$PublicInfo");
    out.Blank();
    out.Single("FormatVersion", h.formatVersion);
    out.Single("Model", h.model);
    out.Single("Endian", h.endian);
    out.Single("DataFormat", h.dataFormat);
    out.Single("GroupNumber", std::to_string(groups));
    out.Single("TraceTotalNumber", std::to_string(n));
    out.Single("DataOffset", std::to_string(h.dataOffset));
    for (int g = 0; g < groups; ++g) {
        out.Blank();
        out.Line("$Group" + std::to_string(g + 1));
        WriteGroup(out, h, traces, g * per, std::min(per, n - g * per), blocks, blockSize);
    }
    out.Blank();
    out.Line("$PrivateInfo");
    out.Blank();
    if (h.displayBlockSize) {
        std::vector<std::string> v;
        for (int t = 0; t < n; ++t) v.push_back(std::to_string(blockSize(t, 0)));
        out.Columns("DisplayBlockSize", v);
    }
    if (h.modelInfo) {
        out.Single("ModelVersion", "1.02");
        std::vector<std::string> modules;
        for (int t = 0; t < n; ++t) modules.push_back("M" + std::to_string(t / 2 + 1));
        out.Columns("InputModule", modules);
    }
    if (privateKeys) {
        const PrivateKeys& p = *privateKeys;
        out.Single("AcqDataOffset", std::to_string(p.acqDataOffset));
        out.Single("PPDataOffset", std::to_string(p.ppDataOffset));
        out.Single("DspDataOffset", std::to_string(p.dspDataOffset));
        out.Single("AcqDataSize", std::to_string(p.acqDataSize));
        out.Single("PPDataSize", std::to_string(p.ppDataSize));
        out.Single("DspDataSize", std::to_string(p.dspDataSize));
        if (p.dspChAttr) out.Single("DspChAttr", std::to_string(*p.dspChAttr));
    }
    for (const std::string& line : h.privateLines) out.Line(line);
    if (h.applicationInfo) {
        out.Blank();
        out.Line("$ApplicationInfo");
        out.Blank();
        out.Single("Application", "kivelo-gen");
        out.Columns("BlockSize", std::vector<std::string>(static_cast<std::size_t>(n), "1"));
    }
    return out.Text();
}

std::string HeaderPathFor(const std::string& dataPath) {
    const auto dot = dataPath.find_last_of("./");
    if (dot == std::string::npos || dataPath[dot] != '.') return dataPath + ".hdr";
    const bool upper = dot + 1 < dataPath.size() && std::isupper(static_cast<unsigned char>(dataPath[dot + 1]));
    return dataPath.substr(0, dot + 1) + (upper ? "HDR" : "hdr");
}

}  // namespace kivelo::wavegen
