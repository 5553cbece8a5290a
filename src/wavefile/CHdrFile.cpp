#include "wavefile/CHdrFile.h"

#include <algorithm>
#include <string_view>

#include "wavefile/HeaderLineReader.h"

namespace kivelo {

namespace {

// Bounds far above any instrument's header; they keep a tiny hostile header
// from asking for huge allocations.
constexpr int32_t kMaxTraceTotal = 4096;
constexpr int32_t kMaxBlocks = 1 << 20;
constexpr int64_t kMaxBlockEntries = int64_t{1} << 22;  // sum of B x N over all groups

bool ModelIs(const std::string& model, std::string_view prefix) {
    return std::string_view(model).substr(0, prefix.size()) == prefix;
}

bool FirstValue(HeaderLineReader& r, std::string_view key, std::string_view& out) {
    if (!r.FindKey(key)) return false;
    auto values = r.Values();
    if (values.empty()) return false;
    out = values[0];
    return true;
}

bool FirstText(HeaderLineReader& r, std::string_view key, std::string& out) {
    std::string_view v;
    if (!FirstValue(r, key, v)) return false;
    out = HeaderText(v);
    return true;
}

bool FirstInt(HeaderLineReader& r, std::string_view key, int32_t& out) {
    std::string_view v;
    if (!FirstValue(r, key, v)) return false;
    out = ParseHeaderInt(v);
    return true;
}

// n values of the current line converted by conv; false when the line has fewer.
template <typename T, typename Conv>
bool RowOfLine(const HeaderLineReader& r, int32_t n, std::vector<T>& out, Conv conv) {
    auto values = r.Values();
    if (values.size() < static_cast<std::size_t>(n)) return false;
    out.clear();
    out.reserve(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i) out.push_back(conv(values[static_cast<std::size_t>(i)]));
    return true;
}

bool TextRow(HeaderLineReader& r, std::string_view key, int32_t n, std::vector<std::string>& out) {
    return r.FindKey(key) && RowOfLine(r, n, out, HeaderText);
}

bool RealRow(HeaderLineReader& r, std::string_view key, int32_t n, std::vector<double>& out) {
    return r.FindKey(key) && RowOfLine(r, n, out, ParseHeaderReal);
}

// Width and kind of a VDataType token (B12, IS2, IU1, FS4, ...).
void DecodeDataType(std::string_view token, int32_t& width, int32_t& kind) {
    auto numberAfter = [&](std::size_t skip) { return token.size() > skip ? ParseHeaderInt(token.substr(skip)) : 0; };
    width = 0;
    kind = kKindUnrecognised;
    if (token.empty()) return;
    switch (token[0]) {
    case 'B': {
        int32_t bits = numberAfter(1);
        width = bits > 0 ? (bits + 7) / 8 : 0;
        kind = kKindBit;
        break;
    }
    case 'I':
        width = numberAfter(2);
        kind = token.size() > 1 && token[1] == 'U' ? kKindUnsigned : kKindSigned;
        break;
    case 'F':
        width = numberAfter(2);
        kind = kKindFloat;
        break;
    default: return;
    }
    if (width < 0 || width > 8) width = 0;  // no sample of such a width exists
}

// BlockSize lines directly after TraceName, then the VResolution line.
bool ReadBlockSizes(HeaderLineReader& r, HdrGroupInfo& g) {
    const int32_t n = g.TraceNumber, b = g.BlockNumber;
    g.BlockSize.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(b), 0);
    int32_t rows = 0;
    r.NextLine();
    while (rows < b && r.LineBeginsWith("BlockSize")) {
        std::vector<int32_t> row;
        if (!RowOfLine(r, n, row, ParseHeaderInt)) return false;
        if (std::any_of(row.begin(), row.end(), [](int32_t v) { return v < 0; })) return false;
        std::copy(row.begin(), row.end(), g.BlockSize.begin() + static_cast<std::ptrdiff_t>(rows) * n);
        ++rows;
        r.NextLine();
    }
    if (rows == 0) return false;  // no sizes at all: nothing could be read
    if (rows < b) {
        // A short run: every block takes the first line's sizes.
        for (int32_t k = 1; k < b; ++k)
            std::copy_n(g.BlockSize.begin(), n, g.BlockSize.begin() + static_cast<std::ptrdiff_t>(k) * n);
    }
    return r.LineBeginsWith("VResolution") && RowOfLine(r, n, g.VResolution, ParseHeaderReal);
}

// First value of a Date/Time line that does not begin with '?', copied to every block.
bool ReadSharedStamp(HeaderLineReader& r, std::string_view key, int32_t blocks, std::vector<std::string>& out) {
    if (!r.FindKey(key)) return false;
    std::string text;
    for (std::string_view v : r.Values()) {
        if (!v.empty() && v[0] != '?') {
            text = HeaderText(v);
            break;
        }
    }
    out.assign(static_cast<std::size_t>(blocks), text);
    return true;
}

// One Date (or Time) line per block; a missing line leaves the rest empty.
void ReadStampPerBlock(HeaderLineReader& r, std::string_view key, int32_t blocks, std::vector<std::string>& out) {
    out.assign(static_cast<std::size_t>(blocks), std::string());
    for (int32_t k = 0; k < blocks; ++k) {
        if (!r.FindKey(key)) return;
        auto values = r.Values();
        if (!values.empty()) out[static_cast<std::size_t>(k)] = HeaderText(values[0]);
    }
}

bool ReadGroup(HeaderLineReader& r, const std::string& model, int32_t tracesLeft, int64_t& entriesLeft,
               HdrGroupInfo& g) {
    if (!r.FindKey("$Group")) return false;
    if (!FirstInt(r, "TraceNumber", g.TraceNumber) || !FirstInt(r, "BlockNumber", g.BlockNumber)) return false;
    const int32_t n = g.TraceNumber, b = g.BlockNumber;
    if (n < 1 || n > tracesLeft || b < 1 || b > kMaxBlocks) return false;
    int64_t entries = int64_t{n} * b;
    if (entries > entriesLeft) return false;
    entriesLeft -= entries;

    if (!TextRow(r, "TraceName", n, g.TraceName)) return false;
    if (!ReadBlockSizes(r, g)) return false;
    if (!RealRow(r, "VOffset", n, g.VOffset)) return false;

    std::vector<std::string_view> types;
    if (!r.FindKey("VDataType")) return false;
    types = r.Values();
    if (types.size() < static_cast<std::size_t>(n)) return false;
    g.DataWidth.resize(static_cast<std::size_t>(n));
    g.DataKind.resize(static_cast<std::size_t>(n));
    for (std::size_t t = 0; t < static_cast<std::size_t>(n); ++t)
        DecodeDataType(types[t], g.DataWidth[t], g.DataKind[t]);

    if (!TextRow(r, "VUnit", n, g.VUnit) || !RealRow(r, "VPlusOverData", n, g.VPlusOverData) ||
        !RealRow(r, "VMinusOverData", n, g.VMinusOverData) || !RealRow(r, "VIllegalData", n, g.VIllegalData) ||
        !RealRow(r, "VMaxData", n, g.VMaxData) || !RealRow(r, "VMinData", n, g.VMinData) ||
        !RealRow(r, "HResolution", n, g.HResolution) || !RealRow(r, "HOffset", n, g.HOffset) ||
        !TextRow(r, "HUnit", n, g.HUnit))
        return false;

    if (ModelIs(model, "QV31") || ModelIs(model, "QV6")) {
        return ReadSharedStamp(r, "Date", b, g.Date) && ReadSharedStamp(r, "Time", b, g.Time);
    }
    ReadStampPerBlock(r, "Date", b, g.Date);
    ReadStampPerBlock(r, "Time", b, g.Time);
    return true;
}

void ReadModelPart(HeaderLineReader& r, int32_t traceTotal, HdrModelInfo& m) {
    m.ModelVersion = "???";
    m.InputModule.clear();
    if (!r.FindKey("ModelVersion")) return;
    auto version = r.Values();
    if (!version.empty()) m.ModelVersion = HeaderText(version[0]);
    m.InputModule.assign(static_cast<std::size_t>(traceTotal), std::string());
    if (!r.FindKey("InputModule")) return;
    auto values = r.Values();
    for (std::size_t t = 0; t < values.size() && t < m.InputModule.size(); ++t)
        m.InputModule[t] = HeaderText(values[t]);
}

void ReadPrivatePart(HeaderLineReader& r, HdrPrivateInfo& p) {
    struct Key {
        std::string_view name;
        int32_t HdrPrivateInfo::*field;
    };
    static constexpr Key kKeys[] = {
        {"AcqDataOffset", &HdrPrivateInfo::AcqDataOffset}, {"PPDataOffset", &HdrPrivateInfo::PPDataOffset},
        {"DspDataOffset", &HdrPrivateInfo::DspDataOffset}, {"AcqDataSize", &HdrPrivateInfo::AcqDataSize},
        {"PPDataSize", &HdrPrivateInfo::PPDataSize},       {"DspDataSize", &HdrPrivateInfo::DspDataSize},
        {"DspChAttr", &HdrPrivateInfo::DspChAttr},
    };
    p = HdrPrivateInfo{};
    for (const Key& k : kKeys) {
        if (!r.FindKey(k.name)) return;
        auto values = r.Values();
        p.*(k.field) = values.empty() ? 0 : ParseHeaderInt(values[0]);
    }
    p.Valid = 1;
    p.DspChAttrPresent = 1;
}

// Keeps the elements of a per-trace array whose trace is kept.
template <typename T>
void Compact(std::vector<T>& v, const std::vector<bool>& keep) {
    std::size_t out = 0;
    for (std::size_t t = 0; t < keep.size() && t < v.size(); ++t)
        if (keep[t]) {
            if (out != t) v[out] = std::move(v[t]);
            ++out;
        }
    v.resize(out);
}

// Drops the traces of unrecognised data type from a group; returns how many.
int32_t RemoveUnrecognised(HdrGroupInfo& g) {
    const auto n = static_cast<std::size_t>(g.TraceNumber);
    std::vector<bool> keep(n);
    std::size_t kept = 0;
    for (std::size_t t = 0; t < n; ++t) kept += (keep[t] = g.DataKind[t] != kKindUnrecognised);
    if (kept == n) return 0;
    std::vector<int32_t> sizes;
    sizes.reserve(kept * static_cast<std::size_t>(g.BlockNumber));
    for (std::size_t b = 0; b < static_cast<std::size_t>(g.BlockNumber); ++b)
        for (std::size_t t = 0; t < n; ++t)
            if (keep[t]) sizes.push_back(g.BlockSize[b * n + t]);
    g.BlockSize = std::move(sizes);
    Compact(g.TraceName, keep);
    Compact(g.VResolution, keep);
    Compact(g.VOffset, keep);
    Compact(g.DataWidth, keep);
    Compact(g.DataKind, keep);
    Compact(g.VUnit, keep);
    Compact(g.VPlusOverData, keep);
    Compact(g.VMinusOverData, keep);
    Compact(g.VIllegalData, keep);
    Compact(g.VMaxData, keep);
    Compact(g.VMinData, keep);
    Compact(g.HResolution, keep);
    Compact(g.HOffset, keep);
    Compact(g.HUnit, keep);
    g.TraceNumber = static_cast<int32_t>(kept);
    return static_cast<int32_t>(n - kept);
}

bool EndsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && std::string_view(s).substr(s.size() - tail.size()) == tail;
}

}  // namespace

std::string CHdrFile::HeaderNameFor(const std::string& dataPath) {
    std::size_t at = dataPath.find("rtm");
    if (at == std::string::npos) at = dataPath.find("wvf");
    if (at == std::string::npos) return {};
    return dataPath.substr(0, at) + "hdr";
}

CHdrFile::CHdrFile(const std::string& dataPath) {
    HeaderLineReader r;
    std::string name = HeaderNameFor(dataPath);
    if (name.empty() || !r.Open(name)) {
        // The header beside the data file under the data file's own name: upper-case
        // names keep their case on a case-sensitive file system, and a folder whose
        // name holds "wvf" or "rtm" must not hide the header.
        const bool upper = EndsWith(dataPath, ".WVF") || EndsWith(dataPath, ".RTM");
        if (!upper && !EndsWith(dataPath, ".wvf") && !EndsWith(dataPath, ".rtm")) return;
        name = dataPath.substr(0, dataPath.size() - 3) + (upper ? "HDR" : "hdr");
        if (!r.Open(name)) return;
    }

    HdrPublicInfo pub;
    if (!FirstText(r, "FormatVersion", pub.FormatVersion) || !FirstText(r, "Model", pub.Model) ||
        !FirstText(r, "Endian", pub.Endian) || !FirstText(r, "DataFormat", pub.DataFormat) ||
        !FirstInt(r, "GroupNumber", pub.GroupNumber) || !FirstInt(r, "TraceTotalNumber", pub.TraceTotalNumber) ||
        !FirstInt(r, "DataOffset", pub.DataOffset))
        return;
    if (pub.TraceTotalNumber < 1 || pub.TraceTotalNumber > kMaxTraceTotal || pub.GroupNumber < 1 ||
        pub.GroupNumber > pub.TraceTotalNumber || pub.DataOffset < 0)
        return;

    std::vector<HdrGroupInfo> groups(static_cast<std::size_t>(pub.GroupNumber));
    int32_t tracesLeft = pub.TraceTotalNumber;
    int64_t entriesLeft = kMaxBlockEntries;
    for (HdrGroupInfo& g : groups) {
        if (!ReadGroup(r, pub.Model, tracesLeft, entriesLeft, g)) return;
        tracesLeft -= g.TraceNumber;
    }
    if (tracesLeft != 0) return;  // groups do not add up to TraceTotalNumber

    HdrModelInfo model;
    ReadModelPart(r, pub.TraceTotalNumber, model);
    HdrPrivateInfo priv;
    ReadPrivatePart(r, priv);

    if (ModelIs(pub.Model, "QV6")) {
        for (HdrGroupInfo& g : groups) pub.TraceTotalNumber -= RemoveUnrecognised(g);
    }

    public_ = std::move(pub);
    groups_ = std::move(groups);
    model_ = std::move(model);
    private_ = priv;
    headerPath_ = name;
    loaded_ = true;
}

int CHdrFile::GetPublicInfo(HdrPublicInfo& out) const {
    if (!loaded_) return 0;
    out = public_;
    return -1;
}

int CHdrFile::GetGroupInfo(std::vector<HdrGroupInfo>& out) const {
    if (!loaded_) return 0;
    out = groups_;
    return -1;
}

int CHdrFile::GetModelInfo(HdrModelInfo& out) const {
    if (!loaded_) return 0;
    out = model_;
    return -1;
}

int CHdrFile::GetPrivateInfo(HdrPrivateInfo& out) const {
    if (!loaded_) return 0;
    out = private_;
    return -1;
}

}  // namespace kivelo
