#include "export/HeaderWriter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "export/HeaderWriterLines.h"

namespace kivelo {

namespace {

using namespace HeaderLines;

// Each step answers kContinue or the result that stops the writer.
constexpr int kContinue = kHeaderWritten;
constexpr int kTracesPerGroup = 4;

using TextOp = int (CHeaderSource::*)(std::string&, int, int);
using SingleOp = int (CHeaderSource::*)(std::string&);

struct TextKey {
    std::string_view key;
    PerBlockKey perBlock;
    TextOp op;
};

constexpr std::array<TextKey, 7> kLimitKeys{{
    {"VDataType", PerBlockKey::VDataType, &CHeaderSource::GetVDataType},
    {"VUnit", PerBlockKey::VUnit, &CHeaderSource::GetVUnit},
    {"VPlusOverData", PerBlockKey::VPlusOverData, &CHeaderSource::GetVPlusOverData},
    {"VMinusOverData", PerBlockKey::VMinusOverData, &CHeaderSource::GetVMinusOverData},
    {"VIllegalData", PerBlockKey::VIllegalData, &CHeaderSource::GetVIllegalData},
    {"VMaxData", PerBlockKey::VMaxData, &CHeaderSource::GetVMaxData},
    {"VMinData", PerBlockKey::VMinData, &CHeaderSource::GetVMinData},
}};

constexpr std::array<TextKey, 3> kStampKeys{{
    {"HUnit", PerBlockKey::HUnit, &CHeaderSource::GetHUnit},
    {"Date", PerBlockKey::Date, &CHeaderSource::GetDate},
    {"Time", PerBlockKey::Time, &CHeaderSource::GetTime},
}};

constexpr std::array<TextKey, 4> kDisplayKeys{{
    {"DisplayBlockSize", PerBlockKey::DisplayBlockSize, &CHeaderSource::GetDisplayBlockSize},
    {"DisplayPointNo.", PerBlockKey::DisplayPointNo, &CHeaderSource::GetDisplayPointNo},
    {"DCOffset", PerBlockKey::DCOffset, &CHeaderSource::GetDCOffset},
    {"DCUnit", PerBlockKey::DCUnit, &CHeaderSource::GetDCUnit},
}};

constexpr std::array<TextKey, 2> kModuleKeys{{
    {"InputModule", PerBlockKey::InputModule, &CHeaderSource::GetInputModule},
    {"MaskData", PerBlockKey::MaskData, &CHeaderSource::GetMaskData},
}};

constexpr std::array<TextKey, 5> kLinearKeys{{
    {"LinearMode", PerBlockKey::LinearMode, &CHeaderSource::GetLinearMode},
    {"LinearIntercept", PerBlockKey::LinearIntercept, &CHeaderSource::GetLinearIntercept},
    {"LinearSlope", PerBlockKey::LinearSlope, &CHeaderSource::GetLinearSlope},
    {"LinearUnit", PerBlockKey::LinearUnit, &CHeaderSource::GetLinearUnit},
    {"PhaseShift", PerBlockKey::PhaseShift, &CHeaderSource::GetPhaseShift},
}};

constexpr std::array<TextOp, 4> kMediaRangeOps{&CHeaderSource::GetStartBlockNo, &CHeaderSource::GetStartPointNo,
                                               &CHeaderSource::GetEndBlockNo, &CHeaderSource::GetEndPointNo};
constexpr std::array<std::string_view, 4> kMediaRangeKeys{"StartBlockNo.", "StartPointNo.", "EndBlockNo.",
                                                          "EndPointNo."};

class HeaderRun {
public:
    HeaderRun(CHeaderSource& source, CHeaderOutput& output) : src_(source), out_(output) {}

    int Run();

private:
    int Emit(std::string_view bytes);
    int Line(std::string_view text);
    int KeyValue(std::string_view key, std::string_view value);
    int KeyNumber(std::string_view key, long long value);
    // A single-value key; an optional one is left out when its value is empty.
    int SingleKey(std::string_view key, SingleOp op, bool optional);
    int OptionalKeyValue(std::string_view key, SingleOp op) { return SingleKey(key, op, true); }

    int PublicPart();
    int DeriveNumbers();
    int Group(int group);
    int PrivatePart();
    int MediaPart();
    int DataPart();

    long long BlockAt(int k) const { return base_ + static_cast<long long>(step_) * k; }
    bool InRange(std::size_t index, long long block) const;

    // The lines of a per-trace key over the traces [begin, end); fill(block,
    // channel, value) gives a value, outside is written for blocks outside a
    // trace's range.
    template <class Fill>
    int PerTraceKey(std::string_view key, PerBlockKey perBlock, std::size_t begin, std::size_t end,
                    std::string_view outside, Fill&& fill);
    int PerTraceText(const TextKey& key, std::size_t begin, std::size_t end);
    // A one-line list of values up to the first empty one; an empty line
    // when the first is empty.
    template <class Fill>
    int NameLine(std::string_view key, std::size_t begin, std::size_t end, Fill&& fill);

    CHeaderSource& src_;
    CHeaderOutput& out_;
    int traceCount_ = 0;
    std::vector<uint16_t> channels_;
    int step_ = 1;
    std::vector<long long> first_;
    std::vector<long long> count_;
    long long base_ = 0;
    int blockNumber_ = 0;
};

int HeaderRun::Emit(std::string_view bytes) {
    switch (out_.Write(bytes)) {
    case CHeaderOutput::WriteResult::Ok: return kContinue;
    case CHeaderOutput::WriteResult::Cancelled: return kHeaderCancelled;
    case CHeaderOutput::WriteResult::Failed: break;
    }
    return kSourceFailed;
}

int HeaderRun::Line(std::string_view text) {
    std::string line(text);
    line += kLineEnd;
    return Emit(line);
}

int HeaderRun::KeyValue(std::string_view key, std::string_view value) { return Line(KeyField(key) + Token(value)); }

int HeaderRun::KeyNumber(std::string_view key, long long value) { return KeyValue(key, std::to_string(value)); }

int HeaderRun::SingleKey(std::string_view key, SingleOp op, bool optional) {
    std::string value;
    if (const int r = (src_.*op)(value); r != kSourceOk) return r;
    if (optional && Token(value).empty()) return kContinue;
    return KeyValue(key, value);
}

int HeaderRun::Run() {
    std::string path;
    if (const int r = src_.GetHeaderPath(path); r != kSourceOk) return r;
    if (!out_.Open(path)) return kSourceFailed;

    int r = PublicPart();
    for (int g = 0; r == kContinue && g * kTracesPerGroup < traceCount_; ++g) r = Group(g);
    if (r == kContinue && src_.Switches().privateSection) r = PrivatePart();
    if (r == kContinue && src_.Switches().mediaSection) r = MediaPart();
    if (r == kContinue && src_.Switches().dataAppend) r = DataPart();

    const bool closed = out_.Close();
    if (r != kContinue) return r;
    return closed ? kHeaderWritten : kSourceFailed;
}

int HeaderRun::PublicPart() {
    int r = Emit("//ORVANTIS ASCII FILE FORMAT\r\n\r\n$PublicInfo\r\n\r\n");
    if (r == kContinue) r = KeyValue("FormatVersion", "1.10");
    if (r == kContinue) r = SingleKey("Model", &CHeaderSource::GetModelName, false);
    if (r == kContinue) r = SingleKey("Endian", &CHeaderSource::GetEndian, false);
    if (r != kContinue) return r;

    int format = 0;
    if (const int f = src_.GetDataFormat(format); f != kSourceOk) return f;
    static constexpr std::array<std::string_view, 3> kFormats{"Block", "Trace", "Scan"};
    if (format < 0 || format > 2) {
        r = Emit(KeyField("DataFormat"));
        return r == kContinue ? kHeaderBadDataFormat : r;
    }
    if (r = KeyValue("DataFormat", kFormats[static_cast<std::size_t>(format)]); r != kContinue) {
        return r;
    }

    if (r = DeriveNumbers(); r != kContinue) return r;
    const int groups = (traceCount_ + kTracesPerGroup - 1) / kTracesPerGroup;
    if (r = KeyNumber("GroupNumber", groups); r != kContinue) return r;
    if (r = KeyNumber("TraceTotalNumber", traceCount_); r != kContinue) return r;
    return SingleKey("DataOffset", &CHeaderSource::GetDataOffset, false);
}

int HeaderRun::DeriveNumbers() {
    if (const int r = src_.GetTraceTotalNumber(traceCount_); r != kSourceOk) return r;
    if (traceCount_ < 0 || traceCount_ > kMaxHeaderTraces) return kHeaderBadAnswer;
    if (const int r = src_.GetTraceList(channels_); r != kSourceOk) return r;
    if (channels_.size() < static_cast<std::size_t>(traceCount_)) return kHeaderBadAnswer;
    channels_.resize(static_cast<std::size_t>(traceCount_));
    if (const int r = src_.GetBlockStep(step_); r != kSourceOk) return r;
    if (step_ != 1 && step_ != -1) return kHeaderBadAnswer;

    for (const uint16_t channel : channels_) {
        int first = 0;
        int count = 0;
        if (const int r = src_.GetFirstBlockNo(first, channel); r != kSourceOk) return r;
        if (const int r = src_.GetBlockCount(count, channel); r != kSourceOk) return r;
        first_.push_back(first);
        count_.push_back(count);
    }
    if (traceCount_ == 0) return kContinue;

    // Block ranges in 64 bits: the answers are the instrument's, any int.
    long long blocks = 0;
    if (step_ == -1) {
        base_ = *std::max_element(first_.begin(), first_.end());
        long long low = first_[0] - count_[0];
        for (std::size_t i = 1; i < first_.size(); ++i) low = std::min(low, first_[i] - count_[i]);
        blocks = base_ - low;
    } else {
        base_ = *std::min_element(first_.begin(), first_.end());
        long long high = first_[0] + count_[0];
        for (std::size_t i = 1; i < first_.size(); ++i) high = std::max(high, first_[i] + count_[i]);
        blocks = high - base_;
    }
    if (blocks < 1 || blocks > kMaxHeaderBlocks) return kHeaderBadAnswer;
    blockNumber_ = static_cast<int>(blocks);
    // Every block number is handed to the source as an int.
    const long long last = BlockAt(blockNumber_ - 1);
    if (last < std::numeric_limits<int>::min() || last > std::numeric_limits<int>::max()) {
        return kHeaderBadAnswer;
    }
    return kContinue;
}

bool HeaderRun::InRange(std::size_t index, long long block) const {
    const long long first = first_[index];
    const long long span = count_[index] - 1;
    if (step_ == -1) return first - span <= block && block <= first;
    return first <= block && block <= first + span;
}

template <class Fill>
int HeaderRun::PerTraceKey(std::string_view key, PerBlockKey perBlock, std::size_t begin, std::size_t end,
                           std::string_view outside, Fill&& fill) {
    const int lines = src_.IsPerBlock(perBlock) != 0 && blockNumber_ > 1 ? blockNumber_ : 1;
    for (int k = 0; k < lines; ++k) {
        const long long block = BlockAt(k);
        std::string line = KeyField(lines > 1 ? std::string(key) + std::to_string(k + 1) : std::string(key));
        for (std::size_t i = begin; i < end; ++i) {
            std::string value(outside);
            if (InRange(i, block)) {
                if (const int r = fill(static_cast<int>(block), channels_[i], value); r != kSourceOk) {
                    return r;
                }
                value = Token(value);
            }
            if (value.empty()) {
                // An empty first value drops the line (and the key's further
                // lines); a later one ends the line there.
                return i == begin ? kContinue : Line(line);
            }
            line += Column(value);
        }
        if (begin == end) return kContinue;
        if (const int r = Line(line); r != kContinue) return r;
    }
    return kContinue;
}

int HeaderRun::PerTraceText(const TextKey& key, std::size_t begin, std::size_t end) {
    return PerTraceKey(key.key, key.perBlock, begin, end, "?", [&](int block, int channel, std::string& value) {
        return (src_.*key.op)(value, block, channel);
    });
}

template <class Fill>
int HeaderRun::NameLine(std::string_view key, std::size_t begin, std::size_t end, Fill&& fill) {
    std::string line;
    for (std::size_t i = begin; i < end; ++i) {
        std::string value;
        if (const int r = fill(i, value); r != kSourceOk) return r;
        value = Token(value);
        if (value.empty()) break;
        if (line.empty()) line = KeyField(key);
        line += Column(value);
    }
    return Line(line);
}

int HeaderRun::Group(int group) {
    const std::size_t begin = static_cast<std::size_t>(group) * kTracesPerGroup;
    const std::size_t end = std::min(begin + kTracesPerGroup, channels_.size());
    int r = Line("");
    if (r == kContinue) r = Line("$Group" + std::to_string(group + 1));
    if (r == kContinue) r = KeyNumber("TraceNumber", static_cast<long long>(end - begin));
    if (r == kContinue) r = KeyNumber("BlockNumber", blockNumber_);
    if (r == kContinue) {
        r = NameLine("TraceName", begin, end,
                     [&](std::size_t i, std::string& value) { return src_.GetTraceName(value, channels_[i]); });
    }
    if (r == kContinue) {
        r = PerTraceKey("BlockSize", PerBlockKey::BlockSize, begin, end, "0",
                        [&](int block, int channel, std::string& value) {
                            int size = 0;
                            const int s = src_.GetBlockSize(size, block, channel);
                            value = IntegerColumn(size);
                            return s;
                        });
    }
    using RealOp = int (CHeaderSource::*)(double&, int, int);
    const auto real = [&](std::string_view key, PerBlockKey perBlock, RealOp op) {
        return PerTraceKey(key, perBlock, begin, end, "?", [&](int block, int channel, std::string& value) {
            double v = 0.0;
            const int s = (src_.*op)(v, block, channel);
            value = RealColumn(v);
            return s;
        });
    };
    if (r == kContinue) r = real("VResolution", PerBlockKey::VResolution, &CHeaderSource::GetVResolution);
    if (r == kContinue) r = real("VOffset", PerBlockKey::VOffset, &CHeaderSource::GetVOffset);
    for (const TextKey& key : kLimitKeys) {
        if (r == kContinue) r = PerTraceText(key, begin, end);
    }
    if (r == kContinue) r = real("HResolution", PerBlockKey::HResolution, &CHeaderSource::GetHResolution);
    if (r == kContinue) r = real("HOffset", PerBlockKey::HOffset, &CHeaderSource::GetHOffset);
    for (const TextKey& key : kStampKeys) {
        if (r == kContinue) r = PerTraceText(key, begin, end);
    }
    return r;
}

int HeaderRun::PrivatePart() {
    const std::size_t all = channels_.size();
    int r = Emit("\r\n$PrivateInfo\r\n\r\n");
    for (const TextKey& key : kDisplayKeys) {
        if (r == kContinue) r = PerTraceText(key, 0, all);
    }
    if (r == kContinue) {
        // This one key is written without its column fill.
        std::string form;
        r = src_.GetForm(form);
        if (r == kSourceOk) r = Token(form).empty() ? kContinue : Line("Form" + Token(form));
    }
    if (r == kContinue) r = OptionalKeyValue("Function", &CHeaderSource::GetFunction);
    for (const TextKey& key : kModuleKeys) {
        if (r == kContinue) r = PerTraceText(key, 0, all);
    }
    if (r == kContinue) r = OptionalKeyValue("MathBlockNo.", &CHeaderSource::GetMathBlockNo);
    if (r == kContinue) r = OptionalKeyValue("Mode", &CHeaderSource::GetMode);
    if (r == kContinue) r = OptionalKeyValue("ModelVersion", &CHeaderSource::GetModelVersion);
    for (const TextKey& key : kLinearKeys) {
        if (r == kContinue) r = PerTraceText(key, 0, all);
    }
    if (r == kContinue) {
        r = NameLine("PTraceName", 0, all,
                     [&](std::size_t i, std::string& value) { return src_.GetPTraceName(value, channels_[i]); });
    }
    if (r == kContinue) r = OptionalKeyValue("RefFileNumber", &CHeaderSource::GetRefFileNumber);
    if (r == kContinue) {
        r = PerTraceText({"TriggerPointNo", PerBlockKey::TriggerPointNo, &CHeaderSource::GetTriggerPointNo}, 0, all);
    }
    return r;
}

int HeaderRun::MediaPart() {
    int groups = 0;
    if (const int r = src_.GetMGroupNumber(groups); r != kSourceOk) return r;
    if (groups < 0 || groups > kMaxHeaderTraces) return kHeaderBadAnswer;
    std::vector<int> traces(static_cast<std::size_t>(groups), 0);
    long long total = 0;
    for (int g = 0; g < groups; ++g) {
        int blocks = 0;
        if (const int r = src_.GetMTraceNumber(traces[static_cast<std::size_t>(g)], blocks, g); r != kSourceOk) {
            return r;
        }
        if (traces[static_cast<std::size_t>(g)] < 0 || traces[static_cast<std::size_t>(g)] > kMaxHeaderTraces) {
            return kHeaderBadAnswer;
        }
        total += traces[static_cast<std::size_t>(g)];
    }

    int r = Line("$MediaInfo");
    if (r == kContinue) r = Line("");
    if (r == kContinue) r = KeyNumber("MediaNo.", 1);
    if (r == kContinue) r = KeyNumber("MGroupNumber", groups);
    if (r == kContinue) r = KeyNumber("MTraceTotalNumber", total);
    int firstTrace = 0;
    for (int g = 0; r == kContinue && g < groups; ++g) {
        const auto begin = static_cast<std::size_t>(firstTrace);
        const std::size_t end = begin + static_cast<std::size_t>(traces[static_cast<std::size_t>(g)]);
        firstTrace += traces[static_cast<std::size_t>(g)];
        r = Line("");
        if (r == kContinue) r = Line("$MGroup" + std::to_string(g + 1));
        if (r == kContinue) r = KeyNumber("MTraceNumber", static_cast<long long>(end - begin));
        if (r == kContinue) {
            std::string blocks;
            r = src_.GetMBlockNumber(blocks, g);
            if (r == kSourceOk) r = KeyValue("MBlockNumber", blocks);
        }
        if (r == kContinue) {
            r = NameLine("MTraceName", begin, end, [&](std::size_t i, std::string& value) {
                return src_.GetTraceName(value, static_cast<int>(i));
            });
        }
        for (std::size_t k = 0; k < kMediaRangeOps.size() && r == kContinue; ++k) {
            r = NameLine(kMediaRangeKeys[k], begin, end, [&](std::size_t i, std::string& value) {
                return (src_.*kMediaRangeOps[k])(value, g, static_cast<int>(i));
            });
        }
    }
    std::string end;
    if (r == kContinue) r = src_.GetMediaEnd(end);
    if (r == kContinue && !Token(end).empty()) r = Line(Token(end));
    return r;
}

int HeaderRun::DataPart() {
    std::vector<uint8_t> data;
    if (const int r = src_.GetDataPart(data); r != kSourceOk) return r;
    return Emit(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

}  // namespace

int WriteHeader(CHeaderSource& source, CHeaderOutput& output) {
    HeaderRun run(source, output);
    return run.Run();
}

}  // namespace kivelo
