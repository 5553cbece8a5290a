#include "wavefile/CWaveFile.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <climits>
#include <cstring>
#include <system_error>
#include <thread>

#include "common/ErrorText.h"
#include "wavefile/PairReduction.h"
#include "wavefile/SampleConversion.h"
#include "wavefile/SummaryStore.h"

namespace kivelo {

namespace {

// Sample positions beyond this cannot be turned into byte offsets safely.
constexpr int64_t kMaxPosition = int64_t{1} << 56;

// Makes a work buffer hold at least `bytes`.
void Grow(std::vector<uint8_t>& buffer, int64_t bytes) {
    if (buffer.size() < static_cast<std::size_t>(bytes)) buffer.resize(static_cast<std::size_t>(bytes));
}

// Its first `bytes`.
std::span<uint8_t> First(std::vector<uint8_t>& buffer, int64_t bytes) {
    return std::span(buffer).first(static_cast<std::size_t>(bytes));
}

// a * b + c without overflow; false when it would not fit.
bool MulAdd(int64_t a, int64_t b, int64_t c, int64_t& out) {
    int64_t m;
    return !__builtin_mul_overflow(a, b, &m) && !__builtin_add_overflow(m, c, &out);
}

// Sample i of a host-order buffer of width w, as a signed integer of that width.
template <typename T>
T SampleAt(const uint8_t* p, int64_t i) {
    T v;
    std::memcpy(&v, p + i * static_cast<int64_t>(sizeof(T)), sizeof(T));
    return v;
}

// Calls fn(index, sample) for n host-order samples of width w as signed integers.
template <typename Fn>
void VisitSamples(const uint8_t* p, int w, int64_t n, Fn fn) {
    for (int64_t i = 0; i < n; ++i) {
        if (w == 1) fn(i, SampleAt<int8_t>(p, i));
        else if (w == 2) fn(i, SampleAt<int16_t>(p, i));
        else fn(i, SampleAt<int32_t>(p, i));
    }
}

template <typename T>
int64_t ReduceTyped(const uint8_t* in, int64_t n, int stepCode, bool bitData, uint8_t* out, int64_t outCapacity) {
    return ReduceSamples(reinterpret_cast<const T*>(in), n, stepCode, bitData, reinterpret_cast<T*>(out), outCapacity);
}

// Pair reduction by output size and kind. Unsigned traces compare as unsigned at
// every size: as signed numbers, 1-byte samples from 128 and 4-byte samples from
// 2^31 would count as the smallest and turn their envelopes upside down.
int64_t ReduceChunk(int outSize, int kind, const uint8_t* in, int64_t n, int stepCode, uint8_t* out,
                    int64_t outCapacity) {
    const bool bitData = kind == kKindBit;
    const bool asUnsigned = kind == kKindUnsigned;
    switch (outSize) {
    case 1:
        return asUnsigned ? ReduceTyped<uint8_t>(in, n, stepCode, bitData, out, outCapacity)
                          : ReduceTyped<int8_t>(in, n, stepCode, bitData, out, outCapacity);
    case 2:
        return asUnsigned ? ReduceTyped<uint16_t>(in, n, stepCode, bitData, out, outCapacity)
                          : ReduceTyped<int16_t>(in, n, stepCode, bitData, out, outCapacity);
    case 4:
        return asUnsigned ? ReduceTyped<uint32_t>(in, n, stepCode, bitData, out, outCapacity)
                          : ReduceTyped<int32_t>(in, n, stepCode, bitData, out, outCapacity);
    default: return 0;
    }
}

}  // namespace

CWaveFile::CWaveFile() = default;

CWaveFile::CWaveFile(const std::string& path, int64_t cacheCapacity) { CWaveFile::Open(path, cacheCapacity); }

CWaveFile::~CWaveFile() { ResetState(); }

// ---- small queries ----------------------------------------------------------

int CWaveFile::OutputSize(int code, int nativeWidth) { return OutputSampleSize(code, nativeWidth); }

bool CWaveFile::FileIsLittleEndian() const { return public_.Endian == "Ltl"; }

bool CWaveFile::NeedsSwap() const {
    constexpr bool hostLittle = std::endian::native == std::endian::little;
    return swapEnabled_ && FileIsLittleEndian() != hostLittle;
}

int CWaveFile::CurrentWidth() const {
    if (currentTrace_ < 0 || currentTrace_ >= static_cast<int>(traces_.size())) return 0;
    return traces_[static_cast<std::size_t>(currentTrace_)].DataWidth;
}

bool CWaveFile::CurrentTraceReadable() {
    if (!open_ || currentTrace_ < 0 || currentTrace_ >= GetTraceTotalNumber()) return false;
    if (OutputSize(0, CurrentWidth()) == 0) return false;  // unrecognised width
    return GetBlockSize() > 0;
}

uint32_t CWaveFile::MapChannel(int trace, const std::string& name, int32_t& channel) {
    channel = trace;
    return trace >= 0 && trace < 32 ? uint32_t{1} << trace : 0;
}

int CWaveFile::GetBlockNumber() { return groups_.empty() ? 0 : groups_.front().BlockNumber; }

int CWaveFile::GetTraceTotalNumber() { return static_cast<int>(traces_.size()); }

int32_t CWaveFile::GetBlockSize() {
    if (currentTrace_ < 0 || currentTrace_ >= static_cast<int>(traces_.size())) return 0;
    const auto& sizes = traces_[static_cast<std::size_t>(currentTrace_)].BlockSizes;
    if (currentBlock_ < 0 || currentBlock_ >= static_cast<int>(sizes.size())) return 0;
    return sizes[static_cast<std::size_t>(currentBlock_)];
}

uint32_t CWaveFile::GetChannelMask() { return channelMask_; }

int CWaveFile::GetTraceInfo(int trace, TraceInfo& out) {
    if (trace < 0 || trace >= static_cast<int>(traces_.size())) return 0;
    out = traces_[static_cast<std::size_t>(trace)];
    return -1;
}

int CWaveFile::GetHorzInfo(HorzInfo& out) {
    out = horz_;
    return -1;
}

int CWaveFile::GetDateTime(int block, std::string& date, std::string& time) {
    if (groups_.empty() || block < 0 || block >= GetBlockNumber()) return 0;
    const HdrGroupInfo& g = groups_.front();
    const auto b = static_cast<std::size_t>(block);
    date = b < g.Date.size() ? g.Date[b] : std::string();
    time = b < g.Time.size() ? g.Time[b] : std::string();
    return -1;
}

int CWaveFile::GetModel(std::string& model) {
    model = public_.Model;
    return -1;
}

// ---- open and close ---------------------------------------------------------

int CWaveFile::OpenFailed(int code, std::string cause) {
    failure_ = {code, std::move(cause)};
    return code;
}

int CWaveFile::Open(const std::string& path, int64_t cacheCapacity) {
    if (open_) return OpenFailed(kOpenAlreadyOpen, path + ": another file is still open in this reader");
    failure_ = {};
    currentBlock_ = 0;
    currentTrace_ = 0;
    channelMask_ = 0;

    auto header = std::make_unique<CHdrFile>(path);
    if (!header->IsLoaded()) {
        // The file the user named comes first: a missing data file is the cause
        // even though its header is looked for first.
        std::string dataCause;
        if (!OpenRegularFile(path, dataCause).IsOpen()) return OpenFailed(kOpenNoHeader, path + ": " + dataCause);
        // wave0001.wvf -> wave.wvf: numbered files may share one header.
        std::string cause = header->GetCause();
        if (path.size() < 8) return OpenFailed(kOpenNoHeader, cause);
        std::string retry = path.substr(0, path.size() - 8) + path.substr(path.size() - 4);
        header = std::make_unique<CHdrFile>(retry);
        if (!header->IsLoaded()) {
            // A shared header that exists but is broken says more than a missing own one.
            const bool ownMissing = cause.ends_with(": no such file");
            if (ownMissing && !header->GetCause().ends_with(": no such file")) cause = header->GetCause();
            return OpenFailed(kOpenNoHeader, cause);
        }
    }
    if (header->GetPublicInfo(public_) != kFileOk || header->GetGroupInfo(groups_) != kFileOk ||
        header->GetModelInfo(modelInfo_) != kFileOk) {
        ResetState();
        return OpenFailed(kOpenNoRecords, header->GetHeaderPath() + ": its records cannot be read");
    }

    for (const HdrGroupInfo& g : groups_) {
        const auto n = static_cast<std::size_t>(g.TraceNumber);
        for (std::size_t t = 0; t < n; ++t) {
            TraceInfo ti;
            ti.TraceName = g.TraceName[t];
            ti.VResolution = g.VResolution[t];
            ti.VOffset = g.VOffset[t];
            ti.DataWidth = g.DataWidth[t];
            ti.DataKind = g.DataKind[t];
            ti.VUnit = g.VUnit[t];
            ti.VPlusOverData = g.VPlusOverData[t];
            ti.VMinusOverData = g.VMinusOverData[t];
            ti.VIllegalData = g.VIllegalData[t];
            ti.VMaxData = g.VMaxData[t];
            ti.VMinData = g.VMinData[t];
            ti.BlockSizes.resize(static_cast<std::size_t>(g.BlockNumber));
            for (std::size_t b = 0; b < ti.BlockSizes.size(); ++b) ti.BlockSizes[b] = g.BlockSize[b * n + t];
            const int index = static_cast<int>(traces_.size());
            channelMask_ |= MapChannel(index, ti.TraceName, ti.channel);
            traces_.push_back(std::move(ti));
        }
    }
    if (!groups_.empty() && groups_.front().TraceNumber > 0) {
        const HdrGroupInfo& g = groups_.front();
        horz_.HResolution = g.HResolution[0];
        horz_.HOffset = g.HOffset[0];
        horz_.HUnit = g.HUnit[0];
    }
    const int blocks = GetBlockNumber();
    // A later group may name fewer blocks than the first: its traces hold no
    // samples in the blocks it leaves out.
    for (TraceInfo& ti : traces_)
        if (static_cast<int>(ti.BlockSizes.size()) < blocks) ti.BlockSizes.resize(static_cast<std::size_t>(blocks), 0);
    blockPrefix_.assign(static_cast<std::size_t>(blocks) + 1, 0);
    for (int b = 0; b < blocks; ++b) {
        int64_t sum = 0;
        for (const TraceInfo& ti : traces_)
            if (b < static_cast<int>(ti.BlockSizes.size())) sum += ti.BlockSizes[static_cast<std::size_t>(b)];
        blockPrefix_[static_cast<std::size_t>(b) + 1] = blockPrefix_[static_cast<std::size_t>(b)] + sum;
    }

    std::string cause;
    if (!data_.OpenRead(path, cause)) {
        ResetState();
        return OpenFailed(kOpenNoData, path + ": " + cause);
    }
    dataPath_ = path;
    if (!CheckDataLength()) {
        const std::string cause = path + ": holds no samples (" + std::to_string(dataFileBytes_) +
                                  " bytes, its header describes " + std::to_string(describedBytes_) + " from byte " +
                                  std::to_string(public_.DataOffset) + ")";
        ResetState();
        return OpenFailed(kOpenNoData, cause);
    }
    StampDataFile();
    // Cache buffers are allocated on first use, so a header naming many traces
    // costs nothing until they are read.
    TraceCache empty;
    empty.capacity = std::max<int64_t>(cacheCapacity, 0);
    caches_.assign(traces_.size(), empty);
    formatters_.resize(traces_.size());
    formatterCount_ = 0;
    formatter_ = nullptr;
    header_ = std::move(header);
    open_ = true;
    CWaveFile::SetTrace(0);
    return kOpenOk;
}

void CWaveFile::ResetState() {
    // Summaries of an open that shares them with no other are of no use now.
    if (summaries_ && session_ != 0) summaries_->EraseSession(session_);
    session_ = 0;
    stamped_ = false;
    summaryBuffer_.clear();
    summaryBuffer_.shrink_to_fit();
    fillBuffers_.clear();
    open_ = false;
    header_.reset();
    formatters_.clear();
    formatterCount_ = 0;
    formatter_ = nullptr;
    data_.Close();
    public_ = HdrPublicInfo{};
    groups_.clear();
    traces_.clear();
    horz_ = HorzInfo{};
    modelInfo_ = HdrModelInfo{};
    caches_.clear();
    blockPrefix_.clear();
    for (auto* buf : {&readBuffer_, &chunkBuffer_, &pairBuffer_, &sampleBuffer_}) {
        buf->clear();
        buf->shrink_to_fit();
    }
    channelMask_ = 0;
    currentBlock_ = 0;
    currentTrace_ = 0;
    currentRegion_ = 0;
    dataPath_.clear();
    shortTraces_.clear();
    describedBytes_ = 0;
    dataFileBytes_ = 0;
}

int64_t CWaveFile::BlockEndByte(int block, int trace) {
    const int keepBlock = currentBlock_, keepTrace = currentTrace_;
    currentBlock_ = block;
    currentTrace_ = trace;
    const int64_t size = GetBlockSize();
    const int64_t start = TraceByteOffset(0);
    int64_t end = -1;
    if (start < 0 || !MulAdd(size, CurrentWidth(), start, end)) end = -1;
    currentBlock_ = keepBlock;
    currentTrace_ = keepTrace;
    return end;
}

bool CWaveFile::CheckDataLength() {
    shortTraces_.clear();
    dataFileBytes_ = std::max<int64_t>(data_.Size(), 0);
    describedBytes_ = 0;
    const int blocks = GetBlockNumber();
    const int traces = GetTraceTotalNumber();
    const bool blockLayout = public_.DataFormat == "Block";
    std::vector<int64_t> ends(static_cast<std::size_t>(blocks) * static_cast<std::size_t>(traces), -1);
    for (int b = 0; b < blocks; ++b) {
        // In the "Block" layout a block's traces lie one after the other, each
        // placed by the samples before it at its own width (as TraceByteOffset does).
        int64_t before = blockLayout ? blockPrefix_[static_cast<std::size_t>(b)] : 0;
        for (int t = 0; t < traces; ++t) {
            const TraceInfo& ti = traces_[static_cast<std::size_t>(t)];
            const int64_t size = ti.BlockSizes[static_cast<std::size_t>(b)];
            int64_t end = -1, start = 0;
            if (!blockLayout) end = BlockEndByte(b, t);
            else if (!MulAdd(before, ti.DataWidth, public_.DataOffset, start) ||
                     !MulAdd(size, ti.DataWidth, start, end))
                end = -1;
            before += size;
            ends[static_cast<std::size_t>(b) * static_cast<std::size_t>(traces) + static_cast<std::size_t>(t)] = end;
            describedBytes_ = std::max(describedBytes_, end);
        }
    }
    bool any = false;
    for (int t = 0; t < traces; ++t) {
        const TraceInfo& ti = traces_[static_cast<std::size_t>(t)];
        if (ti.DataWidth <= 0) continue;
        ShortTrace found;
        bool isShort = false;
        for (int b = 0; b < blocks; ++b) {
            const int64_t size = ti.BlockSizes[static_cast<std::size_t>(b)];
            const int64_t end =
                ends[static_cast<std::size_t>(b) * static_cast<std::size_t>(traces) + static_cast<std::size_t>(t)];
            if (size <= 0 || end < 0) continue;
            const int64_t start = end - size * ti.DataWidth;
            const int64_t present = std::clamp<int64_t>((dataFileBytes_ - start) / ti.DataWidth, 0, size);
            if (present > 0) any = true;
            if (present == size) continue;
            if (!isShort) {
                isShort = true;
                found = ShortTrace{t, b, b, size, present};
            }
            found.lastBlock = b;
        }
        if (isShort) shortTraces_.push_back(found);
    }
    return any || describedBytes_ <= public_.DataOffset;
}

std::string CWaveFile::GetShortDataWarning() const {
    if (shortTraces_.empty()) return {};
    return ShortDataWarning(dataPath_, dataFileBytes_, describedBytes_, shortTraces_);
}

int64_t CWaveFile::SamplesPresent(int block, int trace) {
    for (const ShortTrace& s : shortTraces_) {
        if (s.trace != trace || block < s.block) continue;
        return block == s.block ? s.present : 0;
    }
    // The size as the reader itself answers it (a floating file has no per-trace records).
    const int keepBlock = currentBlock_, keepTrace = currentTrace_;
    currentBlock_ = block;
    currentTrace_ = trace;
    const int64_t size = GetBlockSize();
    currentBlock_ = keepBlock;
    currentTrace_ = keepTrace;
    return size;
}

int CWaveFile::Close() {
    ResetState();
    return -1;
}

void CWaveFile::SetBlock(int block) { currentBlock_ = block; }

void CWaveFile::SetTrace(int trace) {
    currentTrace_ = trace;
    if (!open_ || trace < 0 || trace >= static_cast<int>(traces_.size())) return;
    auto& slot = formatters_[static_cast<std::size_t>(trace)];
    if (!slot) {
        if (formatterCount_ >= kMaxFormatters) {
            for (auto& f : formatters_) f.reset();
            formatterCount_ = 0;
        }
        slot = std::make_unique<CCachedFormatter>();
        ++formatterCount_;
        const TraceInfo& ti = traces_[static_cast<std::size_t>(trace)];
        const bool isUnsigned = ti.DataKind == kKindBit || ti.DataKind == kKindUnsigned;
        const bool isFloat = ti.DataKind == kKindFloat && ti.DataWidth == 4;
        slot->Set(ti.VResolution, ti.VOffset, isUnsigned, isFloat);
    }
    formatter_ = slot.get();
}

// ---- raw and cached reads ---------------------------------------------------

int64_t CWaveFile::TraceByteOffset(int64_t p) {
    const int64_t w = CurrentWidth();
    const int64_t t = currentTrace_, b = currentBlock_;
    if (p < 0 || t < 0 || b < 0) return -1;
    int64_t base;
    if (public_.DataFormat == "Trace") {
        // Every earlier trace is taken to have the current trace's width and size.
        const int64_t n = GetBlockSize();
        int64_t traceBytes, within;
        if (!MulAdd(w * GetBlockNumber(), n, 0, traceBytes) || !MulAdd(b, n * w, p, within) ||
            !MulAdd(t, traceBytes, within, base))
            return -1;
    } else if (public_.DataFormat == "Block") {
        if (b >= static_cast<int64_t>(blockPrefix_.size())) return -1;
        int64_t samples = blockPrefix_[static_cast<std::size_t>(b)];
        for (int64_t k = 0; k < t && k < static_cast<int64_t>(traces_.size()); ++k) {
            const auto& sizes = traces_[static_cast<std::size_t>(k)].BlockSizes;
            if (b < static_cast<int64_t>(sizes.size())) samples += sizes[static_cast<std::size_t>(b)];
        }
        if (!MulAdd(samples, w, p, base)) return -1;
    } else {
        // No known layout: only the first trace of the first block is unambiguous.
        if (t != 0 || b != 0) return -1;
        base = p;
    }
    int64_t offset;
    if (__builtin_add_overflow(base, int64_t{public_.DataOffset}, &offset)) return -1;
    return offset;
}

int CWaveFile::ReadRaw(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) {
    bytesRead = 0;
    count = std::min(count, static_cast<int64_t>(buffer.size()));
    if (count <= 0 || pos < 0) return -1;
    const int64_t offset = TraceByteOffset(pos);
    if (offset < 0) return -1;
    const int64_t got = data_.ReadAt(offset, buffer.first(static_cast<std::size_t>(count)));
    if (got < 0) return 0;  // I/O error
    bytesRead = got;
    return -1;
}

int CWaveFile::CheckCache(int64_t pos, int64_t count) {
    if (currentTrace_ < 0 || currentTrace_ >= static_cast<int>(caches_.size())) return kCacheNone;
    const TraceCache& c = caches_[static_cast<std::size_t>(currentTrace_)];
    if (c.capacity == 0) return kCacheNone;
    if (c.valid && c.block == currentBlock_ && c.trace == currentTrace_ && c.region == currentRegion_ &&
        pos >= c.windowStart && pos + count <= c.windowStart + c.windowLength)
        return kCacheHit;
    return kCacheMiss;
}

int CWaveFile::CachedWindowRead(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead,
                                int64_t lastByte) {
    bytesRead = 0;
    count = std::min(count, static_cast<int64_t>(buffer.size()));
    if (count <= 0 || pos < 0) return -1;
    const int state = CheckCache(pos, count);
    if (state == kCacheNone) return ReadRaw(pos, count, buffer, bytesRead);
    TraceCache& c = caches_[static_cast<std::size_t>(currentTrace_)];
    if (state == kCacheHit) {
        std::memcpy(buffer.data(), c.buffer.data() + (pos - c.windowStart), static_cast<std::size_t>(count));
        bytesRead = count;
        return -1;
    }
    // A window of the capacity centred on the request, cut to the data.
    const int64_t spare = (c.capacity - count) / 2;
    const int64_t start = std::max<int64_t>(pos - spare, 0);
    const int64_t end = std::min(pos + count + spare - 1, lastByte);
    if (count >= c.capacity || pos + count - 1 > end) return ReadRaw(pos, count, buffer, bytesRead);
    const int64_t length = end - start + 1;
    if (c.buffer.size() < static_cast<std::size_t>(c.capacity)) c.buffer.resize(static_cast<std::size_t>(c.capacity));
    int64_t got = 0;
    c.valid = false;
    const int result = ReadRaw(start, length, std::span(c.buffer).first(static_cast<std::size_t>(length)), got);
    if (result != kFileOk) return result;
    c.valid = got > 0;
    c.block = currentBlock_;
    c.trace = currentTrace_;
    c.region = currentRegion_;
    c.windowStart = start;
    c.windowLength = got;
    // A short window (file shorter than the header says) delivers only what it holds.
    const int64_t available = std::clamp<int64_t>(start + got - pos, 0, count);
    if (available > 0) std::memcpy(buffer.data(), c.buffer.data() + (pos - start), static_cast<std::size_t>(available));
    bytesRead = available;
    return -1;
}

int CWaveFile::ReadCached(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) {
    const int64_t lastByte = static_cast<int64_t>(GetBlockSize()) * CurrentWidth() - 1;
    return CachedWindowRead(pos, count, buffer, bytesRead, lastByte);
}

void CWaveFile::ConvertSamples(int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                               int64_t count) {
    const int kind = currentTrace_ >= 0 && currentTrace_ < static_cast<int>(traces_.size())
                         ? traces_[static_cast<std::size_t>(currentTrace_)].DataKind
                         : kKindSigned;
    const bool zeroExtend = kind == kKindBit || kind == kKindUnsigned;
    ConvertSampleRun(code, width, dst, src, count, NeedsSwap(), zeroExtend);
}

// ---- sample reads -----------------------------------------------------------

int CWaveFile::ReadData(int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                        int code) {
    SetBlock(block);
    return ReadData(trace, pos, count, dst, outCount, code);
}

int CWaveFile::ReadData(int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount, int code) {
    SetTrace(trace);
    return ReadData(pos, count, dst, outCount, code);
}

int CWaveFile::ReadData(int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount, int code) {
    outCount = 0;
    if (!CurrentTraceReadable()) return 0;
    const int w = CurrentWidth();
    const int outSize = OutputSize(code, w);
    if (outSize == 0 || pos < 0 || count < 0 || pos > kMaxPosition) return 0;
    count = std::min(count, static_cast<int64_t>(dst.size()) / outSize);
    const int64_t bytes = count * w;
    // Same output size: read straight into the destination and convert in place.
    std::span<uint8_t> raw = dst.first(outSize == w ? static_cast<std::size_t>(bytes) : 0);
    if (outSize != w) {
        if (readBuffer_.size() < static_cast<std::size_t>(bytes)) readBuffer_.resize(static_cast<std::size_t>(bytes));
        raw = std::span(readBuffer_).first(static_cast<std::size_t>(bytes));
    }
    int64_t got = 0;
    const int result = ReadCached(pos * w, bytes, raw, got);
    if (result != kFileOk) return result;
    outCount = got / w;
    ConvertSamples(code, w, dst, raw.first(static_cast<std::size_t>(outCount * w)), outCount);
    return -1;
}

int CWaveFile::ReadText(int block, int trace, int64_t pos, int64_t count, std::span<ValueText> texts,
                        int64_t& outCount) {
    SetBlock(block);
    return ReadText(trace, pos, count, texts, outCount);
}

int CWaveFile::ReadText(int trace, int64_t pos, int64_t count, std::span<ValueText> texts, int64_t& outCount) {
    SetTrace(trace);
    return ReadText(pos, count, texts, outCount);
}

int CWaveFile::ReadNativeSamples(int64_t pos, int64_t count, int64_t& got) {
    got = 0;
    if (!CurrentTraceReadable()) return 0;
    const int w = CurrentWidth();
    count = std::max<int64_t>(count, 0);
    if (sampleBuffer_.size() < static_cast<std::size_t>(count * w))
        sampleBuffer_.resize(static_cast<std::size_t>(count * w));
    return ReadData(pos, count, std::span(sampleBuffer_).first(static_cast<std::size_t>(count * w)), got, kWidthNative);
}

int CWaveFile::ReadText(int64_t pos, int64_t count, std::span<ValueText> texts, int64_t& outCount) {
    outCount = 0;
    int64_t got = 0;
    if (!formatter_) return 0;
    const int result = ReadNativeSamples(pos, std::min(count, static_cast<int64_t>(texts.size())), got);
    if (result != kFileOk) return result;
    VisitSamples(sampleBuffer_.data(), CurrentWidth(), got, [&](int64_t i, auto raw) {
        ValueText& out = texts[static_cast<std::size_t>(i)];
        if constexpr (sizeof raw == 1) formatter_->Text1(raw, out);
        else if constexpr (sizeof raw == 2) formatter_->Text2(raw, out);
        else formatter_->Text4(raw, out);
    });
    outCount = got;
    return -1;
}

int CWaveFile::ReadValues(int block, int trace, int64_t pos, int64_t count, std::span<double> values,
                          int64_t& outCount) {
    SetBlock(block);
    return ReadValues(trace, pos, count, values, outCount);
}

int CWaveFile::ReadValues(int trace, int64_t pos, int64_t count, std::span<double> values, int64_t& outCount) {
    SetTrace(trace);
    return ReadValues(pos, count, values, outCount);
}

int CWaveFile::ReadValues(int64_t pos, int64_t count, std::span<double> values, int64_t& outCount) {
    outCount = 0;
    int64_t got = 0;
    if (!formatter_) return 0;
    const int result = ReadNativeSamples(pos, std::min(count, static_cast<int64_t>(values.size())), got);
    if (result != kFileOk) return result;
    // The formatter knows the trace's kind, so unsigned samples keep their value.
    VisitSamples(sampleBuffer_.data(), CurrentWidth(), got, [&](int64_t i, auto raw) {
        double& v = values[static_cast<std::size_t>(i)];
        if constexpr (sizeof raw == 1) v = formatter_->Value1(raw);
        else if constexpr (sizeof raw == 2) v = formatter_->Value2(raw);
        else v = formatter_->Value4(raw);
    });
    outCount = got;
    return -1;
}

// ---- envelope reads ---------------------------------------------------------

int CWaveFile::ReadEnvelopeRatio(int ratio, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                 int64_t& outCount, int code) {
    SetBlock(block);
    return ReadEnvelopeRatio(ratio, trace, pos, count, dst, outCount, code);
}

int CWaveFile::ReadEnvelopeRatio(int ratio, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                 int64_t& outCount, int code) {
    SetTrace(trace);
    return ReadEnvelopeRatio(ratio, pos, count, dst, outCount, code);
}

int CWaveFile::ReadEnvelopeRatio(int ratio, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                                 int code) {
    const int64_t step = std::clamp<int64_t>(int64_t{ratio} * 512, INT_MIN, INT_MAX);
    return ReadEnvelope(static_cast<int>(step), pos, count, dst, outCount, code);
}

int CWaveFile::ReadEnvelope(int stepCode, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                            int64_t& outCount, int code) {
    SetBlock(block);
    return ReadEnvelope(stepCode, trace, pos, count, dst, outCount, code);
}

int CWaveFile::ReadEnvelope(int stepCode, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                            int64_t& outCount, int code) {
    SetTrace(trace);
    return ReadEnvelope(stepCode, pos, count, dst, outCount, code);
}

CWaveFile::EnvelopeShape CWaveFile::ShapeOf(int stepCode, int64_t count, int outSize) {
    const int64_t g = stepCode / 256;
    // Whole groups per chunk keep the work buffer bounded.
    EnvelopeShape shape;
    shape.chunk = EnvelopeChunk(g, count);
    // Several chunks come in with one read when that cannot change what a chunk
    // holds: reads deliver the whole request until the end of the data, and an
    // even chunk keeps the realtime reader's sample pairs intact. Each chunk is
    // still reduced by itself.
    constexpr int64_t kBatchBytes = int64_t{512} << 10;
    shape.perRead =
        shape.chunk % 2 == 0 ? std::max<int64_t>(1, kBatchBytes / (shape.chunk * outSize)) * shape.chunk : shape.chunk;
    return shape;
}

int CWaveFile::ReadEnvelope(int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                            int code) {
    outCount = 0;
    if (!CurrentTraceReadable()) return 0;
    const int outSize = OutputSize(code, CurrentWidth());
    const int64_t g = stepCode / 256;
    if (outSize == 0 || g < 1 || pos < 0 || count < 0) return 0;
    if (count == 0) return -1;
    const EnvelopeShape shape = ShapeOf(stepCode, count, outSize);
    int result = -1;
    if (summaries_ && SummaryEnvelope(stepCode, shape, pos, count, dst, outCount, code, result)) return result;
    int64_t running = 0;
    bool ended = false;
    return StreamEnvelope(stepCode, shape, pos, count, dst, outCount, code, nullptr, running, ended);
}

int CWaveFile::StreamEnvelope(int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                              std::span<uint8_t> dst, int64_t& outCount, int code, EnvelopeSummary* builder,
                              int64_t& running, bool& ended) {
    const int outSize = OutputSize(code, CurrentWidth());
    const int64_t g = stepCode / 256, chunk = shape.chunk, perRead = shape.perRead;
    const int64_t pairCapacity = 2 * (chunk / g + 2);
    Grow(chunkBuffer_, perRead * outSize);
    Grow(pairBuffer_, pairCapacity * outSize);
    const int kind = traces_[static_cast<std::size_t>(currentTrace_)].DataKind;
    const int64_t dstCapacity = static_cast<int64_t>(dst.size()) / outSize;

    running = pos;
    ended = false;
    int64_t left = count;
    while (left > 0 && outCount < dstCapacity) {
        const int64_t want = std::min(perRead, left);
        left -= want;
        int64_t got = 0;
        const int result = ReadData(running, want, First(chunkBuffer_, want * outSize), got, code);
        if (result != kFileOk) return result;
        if (got <= 0) {  // end of the data
            ended = true;
            break;
        }
        if (builder) AppendToSummary(*builder, First(chunkBuffer_, got * outSize), outSize);
        for (int64_t at = 0; at < got && outCount < dstCapacity; at += chunk) {
            const int64_t n = std::min(chunk, got - at);
            const int64_t made = ReduceChunk(outSize, kind, chunkBuffer_.data() + at * outSize, n, stepCode,
                                             pairBuffer_.data(), pairCapacity);
            const int64_t take = std::min(made, dstCapacity - outCount);
            std::memcpy(dst.data() + outCount * outSize, pairBuffer_.data(), static_cast<std::size_t>(take * outSize));
            outCount += take;
        }
        int64_t at = 0, expected = 0;
        StreamSpan(running, want, at, expected);
        if (got < expected) ended = true;
        running += got;
        if (got < want && perRead != chunk) break;  // a short batch ends at the end of the data
    }
    return -1;
}

// ---- envelope summaries -----------------------------------------------------

void CWaveFile::SetSummaryStore(SummaryStore* store) {
    if (summaries_ && session_ != 0) summaries_->EraseSession(session_);
    session_ = 0;
    ownSummaries_.reset();
    summaries_ = store;
}

void CWaveFile::SetSummaryBudget(int64_t bytes) {
    SetSummaryStore(nullptr);
    if (bytes <= 0) return;
    ownSummaries_ = std::make_unique<SummaryStore>(bytes);
    summaries_ = ownSummaries_.get();
}

void CWaveFile::StampDataFile() {
    static std::atomic<uint64_t> opens{0};
    openSerial_ = ++opens;
    stamped_ = data_.Stamp(stamp_);
    openedNs_ =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    session_ = 0;
}

EnvelopeSummary::Compare CWaveFile::CompareOf(int kind) {
    if (kind == kKindBit) return EnvelopeSummary::Compare::Bits;
    return kind == kKindUnsigned ? EnvelopeSummary::Compare::Unsigned : EnvelopeSummary::Compare::Signed;
}

int CWaveFile::StoredCode(int storedBytes) const {
    if (storedBytes == CurrentWidth()) return kWidthNative;
    return storedBytes == 1 ? kWidth1 : storedBytes == 2 ? kWidth2 : kWidth4;
}

bool CWaveFile::SummaryKeyFor(int storedBytes, EnvelopeSummary::Compare compare, SummaryKey& key) {
    if (!summaries_ || !stamped_) return false;
    key = SummaryKey{};
    key.device = stamp_.device;
    key.inode = stamp_.inode;
    key.size = stamp_.size;
    key.modifiedNs = stamp_.modifiedNs;
    key.changedNs = stamp_.changedNs;
    // Times of a change made just before the open may come again with the next
    // change (coarse file system clocks): such an open shares nothing.
    const int64_t settleNs = std::chrono::duration_cast<std::chrono::nanoseconds>(summaries_->Settle()).count();
    if (openedNs_ - std::max(stamp_.modifiedNs, stamp_.changedNs) < settleNs) {
        if (session_ == 0) session_ = summaries_->NewSession();
        key.session = session_;
    }
    if (!DescribeStream(key)) return false;
    key.layout[SummaryKey::kLayoutFields - 2] = storedBytes;
    key.layout[SummaryKey::kLayoutFields - 1] = static_cast<int64_t>(compare);
    return true;
}

void CWaveFile::StreamSpan(int64_t pos, int64_t count, int64_t& first, int64_t& delivered) {
    first = pos;
    delivered = count;
}

bool CWaveFile::ContiguousRecord(int64_t& offset) {
    offset = TraceByteOffset(0);
    return offset >= 0;
}

bool CWaveFile::DescribeStream(SummaryKey& key) {
    const int64_t offset = TraceByteOffset(0);
    if (offset < 0) return false;
    const TraceInfo& ti = traces_[static_cast<std::size_t>(currentTrace_)];
    key.layout[0] = 1;  // samples stored one after the other from an offset
    key.layout[1] = offset;
    key.layout[2] = GetBlockSize();
    key.layout[3] = ti.DataWidth;
    key.layout[4] = ti.DataKind;
    key.layout[5] = NeedsSwap() ? 1 : 0;
    return true;
}

std::span<const uint8_t> CWaveFile::AppendToSummary(EnvelopeSummary& summary, std::span<const uint8_t> values,
                                                    int outSize) {
    const int stored = summary.SampleBytes();
    if (stored == outSize) {
        summary.Append(values);
        return values;
    }
    // Widened samples: their low-order bytes are the samples themselves.
    const std::size_t n = values.size() / static_cast<std::size_t>(outSize);
    Grow(summaryBuffer_, static_cast<int64_t>(n) * stored);
    ConvertSampleRun(stored == 1 ? kWidth1 : kWidth2, outSize, summaryBuffer_, values, static_cast<int64_t>(n), false,
                     false);
    const auto narrowed = std::span<const uint8_t>(summaryBuffer_).first(n * static_cast<std::size_t>(stored));
    summary.Append(narrowed);
    return narrowed;
}

int CWaveFile::FillSummary(EnvelopeSummary& summary, int64_t offset, int64_t target) {
    const int w = CurrentWidth(), stored = summary.SampleBytes(), code = StoredCode(stored);
    const bool swap = NeedsSwap(), convert = swap || stored != w;
    // Pieces small enough that each is summarised from the processor's cache
    // right after the read brought it there.
    constexpr int64_t kPieceBytes = int64_t{256} << 10;
    const int64_t pieceSamples = kPieceBytes / w;
    if (w <= 0 || pieceSamples % EnvelopeSummary::kPieceAlign != 0) return kFillEndedEarly;
    const int64_t pieces = (target + pieceSamples - 1) / pieceSamples;
    const int threads = static_cast<int>(std::clamp<int64_t>(summaries_->Threads(), 1, pieces));
    summary.Reserve(target);
    std::vector<EnvelopeSummary::PieceCuts> kept;
    for (int t = 0; t < threads; ++t) kept.push_back(summary.NewPieceCuts());
    fillBuffers_.resize(static_cast<std::size_t>(2 * threads));
    for (int t = 0; t < threads; ++t) {
        Grow(fillBuffers_[static_cast<std::size_t>(2 * t)], pieceSamples * w);
        if (convert) Grow(fillBuffers_[static_cast<std::size_t>(2 * t + 1)], pieceSamples * stored);
    }
    std::atomic<int64_t> next{0};
    std::atomic<int> outcome{-1};
    auto work = [&](int t) {
        std::vector<uint8_t>& raw = fillBuffers_[static_cast<std::size_t>(2 * t)];
        std::vector<uint8_t>& converted = fillBuffers_[static_cast<std::size_t>(2 * t + 1)];
        for (;;) {
            const int64_t piece = next.fetch_add(1, std::memory_order_relaxed);
            if (piece >= pieces || outcome.load(std::memory_order_relaxed) != -1) return;
            const int64_t first = piece * pieceSamples, n = std::min(pieceSamples, target - first);
            const int64_t got = data_.ReadAt(offset + first * w, First(raw, n * w));
            if (got != n * w) {
                int none = -1;
                outcome.compare_exchange_strong(none, got < 0 ? 0 : kFillEndedEarly);
                return;
            }
            std::span<const uint8_t> values = First(raw, n * w);
            if (convert) {
                ConvertSampleRun(code, w, converted, values, n, swap, false);
                values = First(converted, n * stored);
            }
            summary.FillAt(first, values, kept[static_cast<std::size_t>(t)]);
        }
    };
    {
        std::vector<std::jthread> helpers;
        try {
            for (int t = 1; t < threads; ++t) helpers.emplace_back(work, t);
        } catch (const std::system_error&) {
            // Fewer threads: the pieces are handed out as they are asked for.
        }
        work(0);
    }
    if (outcome.load() != -1) return outcome.load();
    summary.Adopt(kept);
    return -1;
}

int CWaveFile::FeedSummary(EnvelopeSummary& summary, int64_t from, int64_t target) {
    const int stored = summary.SampleBytes();
    const int code = StoredCode(stored);
    constexpr int64_t kFeedSamples = int64_t{256} << 10;
    Grow(chunkBuffer_, kFeedSamples * stored);
    while (summary.Samples() < target) {
        const int64_t want = std::min(kFeedSamples, target - summary.Samples());
        int64_t at = 0, expected = 0;
        StreamSpan(from, want, at, expected);
        if (at != summary.Samples()) return 0;  // would not continue the stream
        int64_t got = 0;
        const int result = ReadData(from, want, First(chunkBuffer_, want * stored), got, code);
        if (result != kFileOk) return result;
        if (got <= 0) break;
        summary.Append(std::span<const uint8_t>(chunkBuffer_).first(static_cast<std::size_t>(got * stored)));
        from += got;
        if (got < want) break;
    }
    return -1;
}

void CWaveFile::WantExpectedCuts(EnvelopeSummary& summary, std::span<const StreamChunk> also, int stepCode,
                                 int64_t capacity) {
    std::vector<int64_t> cuts, blocks;
    EnvelopeSummary::CutsOf(also, stepCode, capacity, cuts, blocks);
    std::vector<StreamChunk> chunks;
    for (EnvelopeRead r : expected_) {
        if (!ExpectedHere(r)) continue;
        const int outSize = OutputSize(r.code, CurrentWidth());
        if (outSize == 0 || r.stepCode / 256 < EnvelopeSummary::kBlock || r.pos < 0 || r.count <= 0) continue;
        int64_t first = 0, end = 0;
        constexpr int64_t kAny = int64_t{1} << 40;
        if (!PlanEnvelope(r.stepCode, ShapeOf(r.stepCode, r.count, outSize), r.pos, r.count, kAny, chunks, first, end))
            continue;
        EnvelopeSummary::CutsOf(chunks, r.stepCode, kAny, cuts, blocks);
    }
    for (auto* v : {&cuts, &blocks}) {
        std::sort(v->begin(), v->end());
        v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    summary.WantCuts(std::move(cuts), std::move(blocks));
}

bool CWaveFile::PlanEnvelope(int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count, int64_t dstCapacity,
                             std::vector<StreamChunk>& chunks, int64_t& first, int64_t& end) {
    chunks.clear();
    first = end = 0;
    int64_t running = pos, left = count, values = 0;
    while (left > 0 && values < dstCapacity) {
        const int64_t want = std::min(shape.perRead, left);
        left -= want;
        int64_t at = 0, got = 0;
        StreamSpan(running, want, at, got);
        if (got <= 0) break;
        if (chunks.empty()) first = at;
        else if (at != end) return false;  // not one stretch of the stream
        for (int64_t k = 0; k < got && values < dstCapacity; k += shape.chunk) {
            const int64_t n = std::min(shape.chunk, got - k);
            chunks.push_back({at + k, n});
            values += std::min(2 * EnvelopeSummary::GroupsOf(n, stepCode), dstCapacity - values);
        }
        end = at + got;
        running += got;
        if (got < want && shape.perRead != shape.chunk) break;
    }
    return !chunks.empty();
}

bool CWaveFile::SummaryEnvelope(int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                                std::span<uint8_t> dst, int64_t& outCount, int code, int& result) {
    const int w = CurrentWidth(), outSize = OutputSize(code, w);
    const int stored = std::min(w, outSize);
    const int kind = traces_[static_cast<std::size_t>(currentTrace_)].DataKind;
    SummaryKey key;
    if (!SummaryKeyFor(stored, CompareOf(kind), key)) return false;
    const int64_t dstCapacity = static_cast<int64_t>(dst.size()) / outSize;
    std::vector<StreamChunk> chunks;
    int64_t first = 0, end = 0;
    if (dstCapacity <= 0 || !PlanEnvelope(stepCode, shape, pos, count, dstCapacity, chunks, first, end)) return false;

    if (EnvelopeSummary* summary = summaries_->Find(key))
        return ReduceFromSummary(*summary, key, chunks, stepCode, dst, outCount, code, result);

    // Built while a read that covers most of the record passes over its samples.
    int64_t start = 0, target = 0;
    StreamSpan(0, GetBlockSize(), start, target);
    if (start != 0 || end > target || 2 * (end - first) < target) return false;
    if (!summaries_->Fits(EnvelopeSummary::EstimateBytes(target, stored))) return false;
    auto summary = std::make_unique<EnvelopeSummary>(stored, CompareOf(kind), target);
    // Large records are summarised on all processors first; the read then comes
    // from the summary, which keeps the samples it needs around its cuts.
    constexpr int64_t kFillBytes = int64_t{4} << 20;
    int64_t offset = 0;
    if (stepCode / 256 >= EnvelopeSummary::kBlock && target * w >= kFillBytes && ContiguousRecord(offset)) {
        WantExpectedCuts(*summary, chunks, stepCode, dstCapacity);
        const int filled = FillSummary(*summary, offset, target);
        if (filled == kFillEndedEarly) return false;  // the data end before the record does
        result = filled;
        if (filled != kFileOk) return true;  // a failed or cancelled read leaves no summary
        summary->Finish();
        summaries_->Insert(key, std::move(summary));
        EnvelopeSummary* kept = summaries_->Find(key);
        return kept && ReduceFromSummary(*kept, key, chunks, stepCode, dst, outCount, code, result);
    }
    WantExpectedCuts(*summary);
    if (first > 0 && (FeedSummary(*summary, 0, first) != kFileOk || summary->Samples() != first)) return false;
    int64_t running = 0;
    bool ended = false;
    result = StreamEnvelope(stepCode, shape, pos, count, dst, outCount, code, summary.get(), running, ended);
    if (result != kFileOk) return true;
    if (!ended && FeedSummary(*summary, running, target) != kFileOk) return true;
    summary->Finish();
    summaries_->Insert(key, std::move(summary));
    return true;
}

bool CWaveFile::ReduceFromSummary(EnvelopeSummary& summary, const SummaryKey& key, std::span<const StreamChunk> chunks,
                                  int stepCode, std::span<uint8_t> dst, int64_t& outCount, int code, int& result) {
    const int w = CurrentWidth(), outSize = OutputSize(code, w), stored = summary.SampleBytes();
    const int kind = traces_[static_cast<std::size_t>(currentTrace_)].DataKind;
    const int64_t dstCapacity = static_cast<int64_t>(dst.size()) / outSize;
    if (stepCode / 256 < EnvelopeSummary::kBlock || chunks.back().first + chunks.back().count > summary.Samples())
        return false;
    Grow(summaryBuffer_, dstCapacity * stored);
    const int storedCode = StoredCode(stored);
    const StreamReader read = [this, storedCode](int64_t at, int64_t n, std::span<uint8_t> out, int64_t& got) {
        return ReadData(at, n, out, got, storedCode);
    };
    int64_t written = 0;
    result = summary.Reduce(chunks, stepCode, read, summaryBuffer_, dstCapacity, written);
    if (result == kSummaryStale) {
        summaries_->Erase(key);  // the file is not what it was
        return false;
    }
    summaries_->Update(key);
    if (result != kFileOk) return true;
    const bool zeroExtend = kind == kKindBit || kind == kKindUnsigned;
    if (stored == outSize) {
        std::memcpy(dst.data(), summaryBuffer_.data(), static_cast<std::size_t>(written * outSize));
    } else {
        ConvertSampleRun(code, stored, dst, First(summaryBuffer_, written * stored), written, false, zeroExtend);
    }
    outCount = written;
    return true;
}

}  // namespace kivelo
