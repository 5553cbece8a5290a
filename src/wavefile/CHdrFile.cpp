#include "wavefile/CHdrFile.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "wavefile/HeaderLineReader.h"
#include "wavefile/ModelTraits.h"

namespace kivelo {

namespace {

// Bounds far above any instrument's header; they keep a tiny hostile header
// from asking for huge allocations.
constexpr int32_t kMaxTraceTotal = 4096;
constexpr int32_t kMaxBlocks = 1 << 20;
constexpr int64_t kMaxBlockEntries = int64_t{1} << 22;  // sum of B x N over all groups

// The reader and, once parsing failed, what was wrong and where.
struct HeaderParse {
    HeaderLineReader& r;
    std::string why;

    bool Fail(std::string text) {
        if (why.empty()) why = std::move(text);
        return false;
    }
    std::string Here() const {
        const std::string& line = r.Line();
        return "line " + std::to_string(r.LineNumber()) + " \"" +
               line.substr(0, std::min<std::size_t>(line.size(), 40)) + (line.size() > 40 ? "...\"" : "\"");
    }
    bool Find(std::string_view key) {
        const int before = r.LineNumber();
        if (r.FindKey(key)) return true;
        if (r.StoppedAtLongLine()) return Fail("line " + std::to_string(r.LineNumber()) + " is far too long");
        return Fail("no line beginning with \"" + std::string(key) + "\" after line " + std::to_string(before));
    }
    // The current line's values, at least n of them.
    bool Values(int32_t n, std::vector<std::string_view>& out) {
        out = r.Values();
        if (out.size() >= static_cast<std::size_t>(n)) return true;
        return Fail(Here() + " has " + std::to_string(out.size()) + (out.size() == 1 ? " value" : " values") +
                    " where " + std::to_string(n) + " are needed");
    }
    bool FirstValue(std::string_view key, std::string_view& out) {
        std::vector<std::string_view> values;
        if (!Find(key) || !Values(1, values)) return false;
        out = values[0];
        return true;
    }
    bool FirstText(std::string_view key, std::string& out) {
        std::string_view v;
        if (!FirstValue(key, v)) return false;
        out = HeaderText(v);
        return true;
    }
    bool FirstInt(std::string_view key, int32_t& out) {
        std::string_view v;
        if (!FirstValue(key, v)) return false;
        out = ParseHeaderInt(v);
        return true;
    }
    // The value just read is within lo..hi.
    bool InRange(int64_t value, int64_t lo, int64_t hi) {
        if (value >= lo && value <= hi) return true;
        return Fail(Here() + ": " + std::to_string(value) + " is not within " + std::to_string(lo) + " to " +
                    std::to_string(hi));
    }
    // n values of the current line converted by conv.
    template <typename T, typename Conv>
    bool Row(int32_t n, std::vector<T>& out, Conv conv) {
        std::vector<std::string_view> values;
        if (!Values(n, values)) return false;
        out.clear();
        out.reserve(static_cast<std::size_t>(n));
        for (int32_t i = 0; i < n; ++i) out.push_back(conv(values[static_cast<std::size_t>(i)]));
        return true;
    }
    bool TextRow(std::string_view key, int32_t n, std::vector<std::string>& out) {
        return Find(key) && Row(n, out, HeaderText);
    }
    bool RealRow(std::string_view key, int32_t n, std::vector<double>& out) {
        return Find(key) && Row(n, out, ParseHeaderReal);
    }
};

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
bool ReadBlockSizes(HeaderParse& p, HdrGroupInfo& g) {
    HeaderLineReader& r = p.r;
    const int32_t n = g.TraceNumber, b = g.BlockNumber;
    g.BlockSize.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(b), 0);
    int32_t rows = 0;
    r.NextLine();
    while (rows < b && r.LineBeginsWith("BlockSize")) {
        std::vector<int32_t> row;
        if (!p.Row(n, row, ParseHeaderInt)) return false;
        if (std::any_of(row.begin(), row.end(), [](int32_t v) { return v < 0; }))
            return p.Fail(p.Here() + " holds a negative size");
        std::copy(row.begin(), row.end(), g.BlockSize.begin() + static_cast<std::ptrdiff_t>(rows) * n);
        ++rows;
        r.NextLine();
    }
    // No sizes at all: nothing could be read.
    if (rows == 0) return p.Fail(p.Here() + " stands where the \"BlockSize\" line must follow \"TraceName\"");
    if (rows < b) {
        // A short run: every block takes the first line's sizes.
        for (int32_t k = 1; k < b; ++k)
            std::copy_n(g.BlockSize.begin(), n, g.BlockSize.begin() + static_cast<std::ptrdiff_t>(k) * n);
    }
    if (!r.LineBeginsWith("VResolution"))
        return p.Fail(p.Here() + " stands where \"VResolution\" must follow the BlockSize lines");
    return p.Row(n, g.VResolution, ParseHeaderReal);
}

// First value of a Date/Time line that does not begin with '?', copied to every block.
bool ReadSharedStamp(HeaderParse& p, std::string_view key, int32_t blocks, std::vector<std::string>& out) {
    if (!p.Find(key)) return false;
    std::string text;
    for (std::string_view v : p.r.Values()) {
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

bool ReadGroup(HeaderParse& p, const std::string& model, int32_t tracesLeft, int64_t& entriesLeft, HdrGroupInfo& g) {
    if (!p.Find("$Group")) return false;
    if (!p.FirstInt("TraceNumber", g.TraceNumber) || !p.InRange(g.TraceNumber, 1, tracesLeft)) return false;
    if (!p.FirstInt("BlockNumber", g.BlockNumber) || !p.InRange(g.BlockNumber, 1, kMaxBlocks)) return false;
    const int32_t n = g.TraceNumber, b = g.BlockNumber;
    int64_t entries = int64_t{n} * b;
    if (entries > entriesLeft) return p.Fail(p.Here() + ": too many blocks for the traces of the header");
    entriesLeft -= entries;

    if (!p.TextRow("TraceName", n, g.TraceName)) return false;
    if (!ReadBlockSizes(p, g)) return false;
    if (!p.RealRow("VOffset", n, g.VOffset)) return false;

    std::vector<std::string_view> types;
    if (!p.Find("VDataType") || !p.Values(n, types)) return false;
    g.DataWidth.resize(static_cast<std::size_t>(n));
    g.DataKind.resize(static_cast<std::size_t>(n));
    for (std::size_t t = 0; t < static_cast<std::size_t>(n); ++t)
        DecodeDataType(types[t], g.DataWidth[t], g.DataKind[t]);

    if (!p.TextRow("VUnit", n, g.VUnit) || !p.RealRow("VPlusOverData", n, g.VPlusOverData) ||
        !p.RealRow("VMinusOverData", n, g.VMinusOverData) || !p.RealRow("VIllegalData", n, g.VIllegalData) ||
        !p.RealRow("VMaxData", n, g.VMaxData) || !p.RealRow("VMinData", n, g.VMinData) ||
        !p.RealRow("HResolution", n, g.HResolution) || !p.RealRow("HOffset", n, g.HOffset) ||
        !p.TextRow("HUnit", n, g.HUnit))
        return false;

    if (TraitsOfModel(model).sharedStamps) {
        return ReadSharedStamp(p, "Date", b, g.Date) && ReadSharedStamp(p, "Time", b, g.Time);
    }
    ReadStampPerBlock(p.r, "Date", b, g.Date);
    ReadStampPerBlock(p.r, "Time", b, g.Time);
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

// The whole header after it was opened; false with p.why when it fails.
bool ParseHeader(HeaderParse& p, HdrPublicInfo& pubOut, std::vector<HdrGroupInfo>& groupsOut, HdrModelInfo& modelOut,
                 HdrPrivateInfo& privOut) {
    HdrPublicInfo pub;
    if (!p.FirstText("FormatVersion", pub.FormatVersion) || !p.FirstText("Model", pub.Model) ||
        !p.FirstText("Endian", pub.Endian) || !p.FirstText("DataFormat", pub.DataFormat) ||
        !p.FirstInt("GroupNumber", pub.GroupNumber))
        return false;
    if (!p.FirstInt("TraceTotalNumber", pub.TraceTotalNumber) || !p.InRange(pub.TraceTotalNumber, 1, kMaxTraceTotal))
        return false;
    if (!p.FirstInt("DataOffset", pub.DataOffset) || !p.InRange(pub.DataOffset, 0, INT32_MAX)) return false;
    if (pub.GroupNumber < 1 || pub.GroupNumber > pub.TraceTotalNumber)
        return p.Fail("\"GroupNumber\" " + std::to_string(pub.GroupNumber) + " is not within 1 to the " +
                      std::to_string(pub.TraceTotalNumber) + " traces of \"TraceTotalNumber\"");

    std::vector<HdrGroupInfo> groups(static_cast<std::size_t>(pub.GroupNumber));
    int32_t tracesLeft = pub.TraceTotalNumber;
    int64_t entriesLeft = kMaxBlockEntries;
    for (HdrGroupInfo& g : groups) {
        if (!ReadGroup(p, pub.Model, tracesLeft, entriesLeft, g)) return false;
        tracesLeft -= g.TraceNumber;
    }
    if (tracesLeft != 0)
        return p.Fail("the groups hold " + std::to_string(pub.TraceTotalNumber - tracesLeft) +
                      " traces but \"TraceTotalNumber\" says " + std::to_string(pub.TraceTotalNumber));

    HdrModelInfo model;
    ReadModelPart(p.r, pub.TraceTotalNumber, model);
    HdrPrivateInfo priv;
    ReadPrivatePart(p.r, priv);

    if (TraitsOfModel(pub.Model).dropsUnrecognised) {
        for (HdrGroupInfo& g : groups) pub.TraceTotalNumber -= RemoveUnrecognised(g);
    }

    pubOut = std::move(pub);
    groupsOut = std::move(groups);
    modelOut = std::move(model);
    privOut = priv;
    return true;
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
    std::string cause;
    if (name.empty() || !r.Open(name, cause)) {
        const std::string first = name;
        const std::string firstCause = cause;
        // The header beside the data file under the data file's own name: upper-case
        // names keep their case on a case-sensitive file system, and a folder whose
        // name holds "wvf" or "rtm" must not hide the header.
        const bool upper = EndsWith(dataPath, ".WVF") || EndsWith(dataPath, ".RTM");
        if (!upper && !EndsWith(dataPath, ".wvf") && !EndsWith(dataPath, ".rtm")) {
            cause_ = first.empty()
                         ? dataPath + ": the name holds neither \"wvf\" nor \"rtm\", so no header belongs to it"
                         : first + ": " + firstCause;
            return;
        }
        name = dataPath.substr(0, dataPath.size() - 3) + (upper ? "HDR" : "hdr");
        if (name == first || !r.Open(name, cause)) {
            // The name the rules give comes first: it is the one a user expects.
            cause_ = first.empty() || firstCause == "no such file" ? name + ": " + cause : first + ": " + firstCause;
            return;
        }
    }
    HeaderParse p{r, {}};
    if (!ParseHeader(p, public_, groups_, model_, private_)) {
        cause_ = name + ": " + p.why;
        public_ = HdrPublicInfo{};
        groups_.clear();
        return;
    }
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
