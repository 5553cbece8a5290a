#include "wavefile/CWaveFile.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>

#include "common/ErrorText.h"
#include "common/HugePages.h"
#include "common/MachineMemory.h"
#include "wavefile/PairReduction.h"
#include "wavefile/SampleConversion.h"
#include "wavefile/SummaryStore.h"

namespace kivelo {

namespace {

// Sample positions beyond this cannot be turned into byte offsets safely.
constexpr int64_t kMaxPosition = int64_t{1} << 56;

using Scratch = ScratchPool<uint8_t>::Lease;

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

bool CWaveFile::NeedsSwap(const Place& at) const {
    constexpr bool hostLittle = std::endian::native == std::endian::little;
    return swapEnabled_ && !at.asStored && FileIsLittleEndian() != hostLittle;
}

int CWaveFile::WidthOf(int trace) const {
    if (trace < 0 || trace >= static_cast<int>(traces_.size())) return 0;
    return traces_[static_cast<std::size_t>(trace)].DataWidth;
}

bool CWaveFile::Readable(const Place& at) const {
    if (!open_ || at.trace < 0 || at.trace >= static_cast<int>(traces_.size())) return false;
    if (OutputSize(0, WidthOf(at.trace)) == 0) return false;  // unrecognised width
    return BlockSizeAt(at) > 0;
}

uint32_t CWaveFile::MapChannel(int trace, const std::string& name, int32_t& channel) {
    channel = trace;
    return trace >= 0 && trace < 32 ? uint32_t{1} << trace : 0;
}

int CWaveFile::GetBlockNumber() { return BlocksInFile(); }

int CWaveFile::GetTraceTotalNumber() { return static_cast<int>(traces_.size()); }

int32_t CWaveFile::BlockSizeAt(const Place& at) const {
    if (at.trace < 0 || at.trace >= static_cast<int>(traces_.size())) return 0;
    const auto& sizes = traces_[static_cast<std::size_t>(at.trace)].BlockSizes;
    if (at.block < 0 || at.block >= static_cast<int>(sizes.size())) return 0;
    return sizes[static_cast<std::size_t>(at.block)];
}

int32_t CWaveFile::GetBlockSize(int block, int trace) const { return BlockSizeAt(PlaceOf(block, trace)); }

int32_t CWaveFile::GetBlockSize() const { return BlockSizeAt(Here()); }

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
    cacheLocks_ = std::make_unique<std::mutex[]>(traces_.size());
    formatters_.assign(traces_.size(), nullptr);
    formatterCount_ = 0;
    header_ = std::move(header);
    open_ = true;
    return kOpenOk;
}

void CWaveFile::ResetState() {
    // Summaries of an open that shares them with no other are of no use now.
    if (summaries_ && session_ != 0) summaries_->EraseSession(session_);
    session_ = 0;
    stamped_ = false;
    open_ = false;
    header_.reset();
    formatters_.clear();
    formatterCount_ = 0;
    data_.Close();
    public_ = HdrPublicInfo{};
    groups_.clear();
    traces_.clear();
    horz_ = HorzInfo{};
    modelInfo_ = HdrModelInfo{};
    caches_.clear();
    cacheLocks_.reset();
    blockPrefix_.clear();
    scratch_.Clear();
    channelMask_ = 0;
    currentBlock_ = 0;
    currentTrace_ = 0;
    currentRegion_ = 0;
    dataPath_.clear();
    shortTraces_.clear();
    describedBytes_ = 0;
    dataFileBytes_ = 0;
}

int64_t CWaveFile::BlockEndByte(int block, int trace) const {
    const Place at{block, trace, 0, false};
    const int64_t size = BlockSizeAt(at);
    const int64_t start = TraceByteOffset(at, 0);
    int64_t end = -1;
    if (start < 0 || !MulAdd(size, WidthOf(trace), start, end)) end = -1;
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

int64_t CWaveFile::SamplesPresent(int block, int trace) const {
    for (const ShortTrace& s : shortTraces_) {
        if (s.trace != trace || block < s.block) continue;
        return block == s.block ? s.present : 0;
    }
    // The size as the reader itself answers it (a floating file has no per-trace records).
    return GetBlockSize(block, trace);
}

int CWaveFile::Close() {
    ResetState();
    return -1;
}

void CWaveFile::SetBlock(int block) { currentBlock_ = block; }

void CWaveFile::SetTrace(int trace) { currentTrace_ = trace; }

std::shared_ptr<CWaveFile::TextFormatter> CWaveFile::FormatterOf(int trace) const {
    std::lock_guard lock(formattersLock_);
    if (!open_ || trace < 0 || trace >= static_cast<int>(formatters_.size())) return nullptr;
    auto& slot = formatters_[static_cast<std::size_t>(trace)];
    if (!slot) {
        // Readers still holding a dropped one keep it until they are done.
        if (formatterCount_ >= kMaxFormatters) {
            for (auto& f : formatters_) f.reset();
            formatterCount_ = 0;
        }
        slot = std::make_shared<TextFormatter>();
        ++formatterCount_;
        const TraceInfo& ti = traces_[static_cast<std::size_t>(trace)];
        const bool isUnsigned = ti.DataKind == kKindBit || ti.DataKind == kKindUnsigned;
        const bool isFloat = ti.DataKind == kKindFloat && ti.DataWidth == 4;
        slot->formatter.Set(ti.VResolution, ti.VOffset, isUnsigned, isFloat);
    }
    return slot;
}

// ---- raw and cached reads ---------------------------------------------------

int64_t CWaveFile::TraceByteOffset(const Place& at, int64_t p) const {
    const int64_t w = WidthOf(at.trace);
    const int64_t t = at.trace, b = at.block;
    if (p < 0 || t < 0 || b < 0) return -1;
    int64_t base;
    if (public_.DataFormat == "Trace") {
        // Every earlier trace is taken to have this trace's width and size.
        const int64_t n = BlockSizeAt(at);
        int64_t traceBytes, within;
        if (!MulAdd(w * BlocksInFile(), n, 0, traceBytes) || !MulAdd(b, n * w, p, within) ||
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

int CWaveFile::ReadRawAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                         int64_t& bytesRead) const {
    bytesRead = 0;
    count = std::min(count, static_cast<int64_t>(buffer.size()));
    if (count <= 0 || pos < 0) return -1;
    const int64_t offset = TraceByteOffset(at, pos);
    if (offset < 0) return -1;
    const int64_t got = data_.ReadAt(offset, buffer.first(static_cast<std::size_t>(count)));
    if (got < 0) return 0;  // I/O error
    bytesRead = got;
    return -1;
}

int CWaveFile::CheckCacheAt(const Place& at, int64_t pos, int64_t count) const {
    if (at.trace < 0 || at.trace >= static_cast<int>(caches_.size())) return kCacheNone;
    const TraceCache& c = caches_[static_cast<std::size_t>(at.trace)];
    if (c.capacity == 0) return kCacheNone;
    if (c.valid && c.block == at.block && c.trace == at.trace && c.region == at.region && pos >= c.windowStart &&
        pos + count <= c.windowStart + c.windowLength)
        return kCacheHit;
    return kCacheMiss;
}

int CWaveFile::CachedWindowRead(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                                int64_t& bytesRead, int64_t lastByte) const {
    bytesRead = 0;
    count = std::min(count, static_cast<int64_t>(buffer.size()));
    if (count <= 0 || pos < 0) return -1;
    if (at.trace < 0 || at.trace >= static_cast<int>(caches_.size()) ||
        caches_[static_cast<std::size_t>(at.trace)].capacity == 0)
        return ReadRawAt(at, pos, count, buffer, bytesRead);
    // Another read of the trace holds its window: this one reads past it.
    std::unique_lock lock(cacheLocks_[static_cast<std::size_t>(at.trace)], std::try_to_lock);
    if (!lock.owns_lock()) return ReadRawAt(at, pos, count, buffer, bytesRead);
    const int state = CheckCacheAt(at, pos, count);
    TraceCache& c = caches_[static_cast<std::size_t>(at.trace)];
    if (state == kCacheHit) {
        std::memcpy(buffer.data(), c.buffer.data() + (pos - c.windowStart), static_cast<std::size_t>(count));
        bytesRead = count;
        return -1;
    }
    // A window of the capacity centred on the request, cut to the data.
    const int64_t spare = (c.capacity - count) / 2;
    const int64_t start = std::max<int64_t>(pos - spare, 0);
    const int64_t end = std::min(pos + count + spare - 1, lastByte);
    if (count >= c.capacity || pos + count - 1 > end) return ReadRawAt(at, pos, count, buffer, bytesRead);
    const int64_t length = end - start + 1;
    if (c.buffer.size() < static_cast<std::size_t>(c.capacity)) c.buffer.resize(static_cast<std::size_t>(c.capacity));
    int64_t got = 0;
    c.valid = false;
    const int result = ReadRawAt(at, start, length, std::span(c.buffer).first(static_cast<std::size_t>(length)), got);
    if (result != kFileOk) return result;
    c.valid = got > 0;
    c.block = at.block;
    c.trace = at.trace;
    c.region = at.region;
    c.windowStart = start;
    c.windowLength = got;
    // A short window (file shorter than the header says) delivers only what it holds.
    const int64_t available = std::clamp<int64_t>(start + got - pos, 0, count);
    if (available > 0) std::memcpy(buffer.data(), c.buffer.data() + (pos - start), static_cast<std::size_t>(available));
    bytesRead = available;
    return -1;
}

int CWaveFile::ReadCachedAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                            int64_t& bytesRead) const {
    const int64_t lastByte = static_cast<int64_t>(BlockSizeAt(at)) * WidthOf(at.trace) - 1;
    return CachedWindowRead(at, pos, count, buffer, bytesRead, lastByte);
}

void CWaveFile::ConvertAt(const Place& at, int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                          int64_t count) const {
    const int kind = at.trace >= 0 && at.trace < static_cast<int>(traces_.size())
                         ? traces_[static_cast<std::size_t>(at.trace)].DataKind
                         : kKindSigned;
    const bool zeroExtend = kind == kKindBit || kind == kKindUnsigned;
    ConvertSampleRun(code, width, dst, src, count, NeedsSwap(at), zeroExtend);
}

int CWaveFile::ReadRaw(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) const {
    return ReadRawAt(Here(), pos, count, buffer, bytesRead);
}

int CWaveFile::ReadCached(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) const {
    return ReadCachedAt(Here(), pos, count, buffer, bytesRead);
}

// ---- sample reads -----------------------------------------------------------

int CWaveFile::ReadData(int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                        int code) const {
    return ReadDataAt(PlaceOf(block, trace), pos, count, dst, outCount, code);
}

int CWaveFile::ReadData(int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount, int code) const {
    return ReadDataAt(Here(), pos, count, dst, outCount, code);
}

int CWaveFile::ReadDataAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                          int code) const {
    outCount = 0;
    if (!Readable(at)) return 0;
    const int w = WidthOf(at.trace);
    const int outSize = OutputSize(code, w);
    if (outSize == 0 || pos < 0 || count < 0 || pos > kMaxPosition) return 0;
    count = std::min(count, static_cast<int64_t>(dst.size()) / outSize);
    const int64_t bytes = count * w;
    // Same output size: read straight into the destination and convert in place
    // (no buffer lent: threads reading at once would wait on the pool's lock).
    std::optional<Scratch> buffer;
    std::span<uint8_t> raw =
        outSize == w ? dst.first(static_cast<std::size_t>(bytes)) : buffer.emplace(scratch_).First(bytes);
    int64_t got = 0;
    const int result = ReadCachedAt(at, pos * w, bytes, raw, got);
    if (result != kFileOk) return result;
    outCount = got / w;
    ConvertAt(at, code, w, dst, raw.first(static_cast<std::size_t>(outCount * w)), outCount);
    return -1;
}

int CWaveFile::ReadText(int block, int trace, int64_t pos, int64_t count, std::span<ValueText> texts,
                        int64_t& outCount) const {
    return ReadTextAt(PlaceOf(block, trace), pos, count, texts, outCount);
}

int CWaveFile::ReadText(int64_t pos, int64_t count, std::span<ValueText> texts, int64_t& outCount) const {
    return ReadTextAt(Here(), pos, count, texts, outCount);
}

int CWaveFile::ReadTextAt(const Place& at, int64_t pos, int64_t count, std::span<ValueText> texts,
                          int64_t& outCount) const {
    outCount = 0;
    const std::shared_ptr<TextFormatter> text = FormatterOf(at.trace);
    if (!text || !Readable(at)) return 0;
    const int w = WidthOf(at.trace);
    count = std::clamp<int64_t>(count, 0, static_cast<int64_t>(texts.size()));
    Scratch samples(scratch_);
    int64_t got = 0;
    const int result = ReadDataAt(at, pos, count, samples.First(count * w), got, kWidthNative);
    if (result != kFileOk) return result;
    std::lock_guard lock(text->lock);
    CCachedFormatter& formatter = text->formatter;
    VisitSamples(samples.Data(), w, got, [&](int64_t i, auto raw) {
        ValueText& out = texts[static_cast<std::size_t>(i)];
        if constexpr (sizeof raw == 1) formatter.Text1(raw, out);
        else if constexpr (sizeof raw == 2) formatter.Text2(raw, out);
        else formatter.Text4(raw, out);
    });
    outCount = got;
    return -1;
}

int CWaveFile::ReadValues(int block, int trace, int64_t pos, int64_t count, std::span<double> values,
                          int64_t& outCount) const {
    return ReadValuesAt(PlaceOf(block, trace), pos, count, values, outCount);
}

int CWaveFile::ReadValuesAt(const Place& at, int64_t pos, int64_t count, std::span<double> values,
                            int64_t& outCount) const {
    outCount = 0;
    if (!Readable(at)) return 0;
    const TraceInfo& ti = traces_[static_cast<std::size_t>(at.trace)];
    // The formatter knows the trace's kind, so unsigned samples keep their value.
    CValueFormatter formatter;
    formatter.Set(ti.VResolution, ti.VOffset, ti.DataKind == kKindBit || ti.DataKind == kKindUnsigned,
                  ti.DataKind == kKindFloat && ti.DataWidth == 4);
    const int w = ti.DataWidth;
    count = std::clamp<int64_t>(count, 0, static_cast<int64_t>(values.size()));
    Scratch samples(scratch_);
    int64_t got = 0;
    const int result = ReadDataAt(at, pos, count, samples.First(count * w), got, kWidthNative);
    if (result != kFileOk) return result;
    VisitSamples(samples.Data(), w, got, [&](int64_t i, auto raw) {
        double& v = values[static_cast<std::size_t>(i)];
        if constexpr (sizeof raw == 1) v = formatter.Value1(raw);
        else if constexpr (sizeof raw == 2) v = formatter.Value2(raw);
        else v = formatter.Value4(raw);
    });
    outCount = got;
    return -1;
}

// ---- envelope reads ---------------------------------------------------------

int CWaveFile::ReadEnvelopeRatio(int ratio, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                 int64_t& outCount, int code) const {
    return ReadEnvelopeRatioAt(PlaceOf(block, trace), ratio, pos, count, dst, outCount, code);
}

int CWaveFile::ReadEnvelopeRatioAt(const Place& at, int ratio, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                   int64_t& outCount, int code) const {
    const int64_t step = std::clamp<int64_t>(int64_t{ratio} * 512, INT_MIN, INT_MAX);
    return ReadEnvelopeAt(at, static_cast<int>(step), pos, count, dst, outCount, code);
}

void CWaveFile::WillRead(int block, int trace, int64_t pos, int64_t count) const {
    const Place at = PlaceOf(block, trace);
    int64_t offset = 0, from = 0, bytes = 0;
    if (pos < 0 || count <= 0 || !Readable(at) || !ContiguousRecord(at, offset)) return;
    const int64_t w = WidthOf(at.trace);
    if (MulAdd(pos, w, offset, from) && MulAdd(count, w, 0, bytes)) data_.WillNeed(from, bytes);
}

std::unique_ptr<FileMapping> CWaveFile::MapData() const {
    const int64_t size = data_.Size();
    if (!open_ || size <= 0 || size > PhysicalMemoryBytes() / 2) return nullptr;
    return FileMapping::Map(data_.Descriptor(), size);
}

std::span<const int16_t> CWaveFile::SeenInPlace(const FileMapping& mapping, const Place& at, int64_t pos,
                                                int64_t count) const {
    int64_t offset = 0, from = 0, bytes = 0;
    if (pos < 0 || count <= 0 || !Readable(at) || WidthOf(at.trace) != 2 || NeedsSwap(at) ||
        count > int64_t{BlockSizeAt(at)} - pos || !ContiguousRecord(at, offset) || !MulAdd(pos, 2, offset, from) ||
        from % 2 != 0 || !MulAdd(count, 2, 0, bytes) || bytes > static_cast<int64_t>(mapping.Bytes().size()) - from)
        return {};
    return {reinterpret_cast<const int16_t*>(mapping.Bytes().data() + from), static_cast<std::size_t>(count)};
}

std::span<const int16_t> CWaveFile::MappedSamples(const FileMapping& mapping, int block, int trace, int64_t pos,
                                                  int64_t count) const {
    const std::span<const int16_t> seen = SeenInPlace(mapping, PlaceOf(block, trace), pos, count);
    if (ReadMonitor* monitor = data_.Monitor(); monitor && !seen.empty()) {
        if (monitor->Cancelled()) return {};
        monitor->bytesRead.fetch_add(static_cast<int64_t>(seen.size_bytes()), std::memory_order_relaxed);
    }
    return seen;
}

void CWaveFile::DoneWithMapped(const FileMapping& mapping, int block, int trace, int64_t pos, int64_t count) const {
    const std::span<const int16_t> seen = SeenInPlace(mapping, PlaceOf(block, trace), pos, count);
    mapping.LetGo({reinterpret_cast<const uint8_t*>(seen.data()), seen.size_bytes()});
}

int CWaveFile::ReadEnvelope(int stepCode, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                            int64_t& outCount, int code) const {
    return ReadEnvelopeAt(PlaceOf(block, trace), stepCode, pos, count, dst, outCount, code);
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

int CWaveFile::ReadEnvelopeAt(const Place& at, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                              int64_t& outCount, int code) const {
    outCount = 0;
    if (!Readable(at)) return 0;
    const int outSize = OutputSize(code, WidthOf(at.trace));
    const int64_t g = stepCode / 256;
    if (outSize == 0 || g < 1 || pos < 0 || count < 0) return 0;
    if (count == 0) return -1;
    const EnvelopeShape shape = ShapeOf(stepCode, count, outSize);
    int result = -1;
    if (summaries_ && SummaryEnvelope(at, stepCode, shape, pos, count, dst, outCount, code, result)) return result;
    int64_t running = 0;
    bool ended = false;
    return StreamEnvelope(at, stepCode, shape, pos, count, dst, outCount, code, nullptr, running, ended);
}

int CWaveFile::StreamEnvelope(const Place& at, int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                              std::span<uint8_t> dst, int64_t& outCount, int code, EnvelopeSummary* builder,
                              int64_t& running, bool& ended) const {
    const int outSize = OutputSize(code, WidthOf(at.trace));
    const int64_t g = stepCode / 256, chunk = shape.chunk, perRead = shape.perRead;
    const int64_t pairCapacity = 2 * (chunk / g + 2);
    // Lent at the first read that reduces: the samples themselves need neither.
    std::optional<Scratch> chunkBuffer, pairBuffer;
    std::span<uint8_t> chunks, pairs;
    const int kind = traces_[static_cast<std::size_t>(at.trace)].DataKind;
    const int64_t dstCapacity = static_cast<int64_t>(dst.size()) / outSize;

    running = pos;
    ended = false;
    int64_t left = count;
    while (left > 0 && outCount < dstCapacity) {
        const int64_t want = std::min(perRead, left);
        left -= want;
        int64_t got = 0;
        // The samples themselves (step 512) go straight where they are wanted when they fit.
        const bool direct = stepCode == 512 && want <= dstCapacity - outCount;
        if (!direct && !chunkBuffer) {
            chunks = chunkBuffer.emplace(scratch_).First(perRead * outSize);
            pairs = pairBuffer.emplace(scratch_).First(pairCapacity * outSize);
        }
        const std::span<uint8_t> into =
            direct ? dst.subspan(static_cast<std::size_t>(outCount * outSize), static_cast<std::size_t>(want * outSize))
                   : chunks.first(static_cast<std::size_t>(want * outSize));
        const int result = ReadDataAt(at, running, want, into, got, code);
        if (result != kFileOk) return result;
        if (got <= 0) {  // end of the data
            ended = true;
            break;
        }
        if (builder) AppendToSummary(*builder, into.first(static_cast<std::size_t>(got * outSize)), outSize);
        if (direct) outCount += std::min(got, want);
        for (int64_t k = 0; !direct && k < got && outCount < dstCapacity; k += chunk) {
            const int64_t n = std::min(chunk, got - k);
            const int64_t made =
                ReduceChunk(outSize, kind, chunks.data() + k * outSize, n, stepCode, pairs.data(), pairCapacity);
            const int64_t take = std::min(made, dstCapacity - outCount);
            std::memcpy(dst.data() + outCount * outSize, pairs.data(), static_cast<std::size_t>(take * outSize));
            outCount += take;
        }
        int64_t first = 0, expected = 0;
        StreamSpan(at, running, want, first, expected);
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

void CWaveFile::ExpectEnvelopeReads(std::span<const EnvelopeRead> reads) {
    std::lock_guard lock(expectedLock_);
    expected_.assign(reads.begin(), reads.end());
}

std::vector<EnvelopeRead> CWaveFile::ExpectedReads() const {
    std::lock_guard lock(expectedLock_);
    return expected_;
}

int CWaveFile::StoredCode(const Place& at, int storedBytes) const {
    if (storedBytes == WidthOf(at.trace)) return kWidthNative;
    return storedBytes == 1 ? kWidth1 : storedBytes == 2 ? kWidth2 : kWidth4;
}

bool CWaveFile::SummaryKeyFor(const Place& at, int storedBytes, EnvelopeSummary::Compare compare,
                              SummaryKey& key) const {
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
        uint64_t none = 0;
        if (session_.load() == 0) session_.compare_exchange_strong(none, summaries_->NewSession());
        key.session = session_.load();
    }
    if (!DescribeStream(at, key)) return false;
    key.layout[SummaryKey::kLayoutFields - 2] = storedBytes;
    key.layout[SummaryKey::kLayoutFields - 1] = static_cast<int64_t>(compare);
    return true;
}

void CWaveFile::StreamSpan(const Place&, int64_t pos, int64_t count, int64_t& first, int64_t& delivered) const {
    first = pos;
    delivered = count;
}

bool CWaveFile::ContiguousRecord(const Place& at, int64_t& offset) const {
    offset = TraceByteOffset(at, 0);
    return offset >= 0;
}

bool CWaveFile::DescribeStream(const Place& at, SummaryKey& key) const {
    const int64_t offset = TraceByteOffset(at, 0);
    if (offset < 0) return false;
    const TraceInfo& ti = traces_[static_cast<std::size_t>(at.trace)];
    key.layout[0] = 1;  // samples stored one after the other from an offset
    key.layout[1] = offset;
    key.layout[2] = BlockSizeAt(at);
    key.layout[3] = ti.DataWidth;
    key.layout[4] = ti.DataKind;
    key.layout[5] = NeedsSwap(at) ? 1 : 0;
    return true;
}

void CWaveFile::AppendToSummary(EnvelopeSummary& summary, std::span<const uint8_t> values, int outSize) const {
    const int stored = summary.SampleBytes();
    if (stored == outSize) {
        summary.Append(values);
        return;
    }
    // Widened samples: their low-order bytes are the samples themselves.
    const std::size_t n = values.size() / static_cast<std::size_t>(outSize);
    Scratch narrowed(scratch_);
    const std::span<uint8_t> out = narrowed.First(static_cast<int64_t>(n) * stored);
    ConvertSampleRun(stored == 1 ? kWidth1 : kWidth2, outSize, out, values, static_cast<int64_t>(n), false, false);
    summary.Append(out);
}

int64_t CWaveFile::RecordSummarySamples(const Place& at, int stored) const {
    int64_t start = 0, target = 0;
    StreamSpan(at, 0, BlockSizeAt(at), start, target);
    return start == 0 && target > 0 && summaries_->Fits(EnvelopeSummary::EstimateBytes(target, stored)) ? target : 0;
}

std::unique_ptr<SummaryFeed> CWaveFile::StartSummaryFeed(int block, int trace, int threads) const {
    const Place at = PlaceOf(block, trace);
    if (!Readable(at) || WidthOf(at.trace) != 2 || threads < 1) return nullptr;
    constexpr auto kCompare = EnvelopeSummary::Compare::Signed;
    if (CompareOf(traces_[static_cast<std::size_t>(at.trace)].DataKind) != kCompare) return nullptr;
    SummaryKey key;
    if (!SummaryKeyFor(at, 2, kCompare, key) || summaries_->Find(key)) return nullptr;
    int64_t offset = 0;
    const int64_t target = RecordSummarySamples(at, 2);
    if (target == 0 || !ContiguousRecord(at, offset)) return nullptr;
    auto summary = std::make_unique<EnvelopeSummary>(2, kCompare, target);
    WantExpectedCuts(at, *summary);
    return std::make_unique<SummaryFeed>(*summaries_, key, std::move(summary), target, threads);
}

int CWaveFile::FillSummary(const Place& at, EnvelopeSummary& summary, int64_t offset, int64_t target) const {
    const int w = WidthOf(at.trace), stored = summary.SampleBytes(), code = StoredCode(at, stored);
    const bool swap = NeedsSwap(at), convert = swap || stored != w;
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
    std::atomic<int64_t> next{0};
    std::atomic<int> outcome{-1};
    auto work = [&](int t) {
        // Buffers kept by the reader for the next record, so that their pages are
        // not faulted in anew.
        // Each on one huge page: the pieces read into it need one address
        // translation, not one per 4 KB after every read.
        constexpr auto kHugeBytes = static_cast<int64_t>(kHugePageBytes);
        Scratch rawBuffer(scratch_), convertedBuffer(scratch_);
        const std::span<uint8_t> raw = rawBuffer.First(std::max(kHugeBytes, pieceSamples * w));
        const std::span<uint8_t> converted =
            convertedBuffer.First(convert ? std::max(kHugeBytes, pieceSamples * stored) : 0);
        // Each read goes to the next piece's place in the buffer: the system's copy
        // into the place just summarised went about a quarter slower.
        const auto places = static_cast<std::size_t>(raw.size() / static_cast<std::size_t>(pieceSamples * w));
        for (std::size_t place = 0;; place = (place + 1) % places) {
            const int64_t piece = next.fetch_add(1, std::memory_order_relaxed);
            if (piece >= pieces || outcome.load(std::memory_order_relaxed) != -1) return;
            const int64_t first = piece * pieceSamples, n = std::min(pieceSamples, target - first);
            const std::span<uint8_t> into = raw.subspan(place * static_cast<std::size_t>(pieceSamples * w));
            const int64_t got = data_.ReadAt(offset + first * w, into.first(static_cast<std::size_t>(n * w)));
            if (got != n * w) {
                int none = -1;
                outcome.compare_exchange_strong(none, got < 0 ? 0 : kFillEndedEarly);
                return;
            }
            std::span<const uint8_t> values = into.first(static_cast<std::size_t>(n * w));
            if (convert) {
                ConvertSampleRun(code, w, converted, values, n, swap, false);
                values = converted.first(static_cast<std::size_t>(n * stored));
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

int CWaveFile::FeedSummary(const Place& at, EnvelopeSummary& summary, int64_t from, int64_t target) const {
    const int stored = summary.SampleBytes();
    const int code = StoredCode(at, stored);
    constexpr int64_t kFeedSamples = int64_t{256} << 10;
    Scratch feed(scratch_);
    const std::span<uint8_t> chunk = feed.First(kFeedSamples * stored);
    while (summary.Samples() < target) {
        const int64_t want = std::min(kFeedSamples, target - summary.Samples());
        int64_t first = 0, expected = 0;
        StreamSpan(at, from, want, first, expected);
        if (first != summary.Samples()) return 0;  // would not continue the stream
        int64_t got = 0;
        const int result = ReadDataAt(at, from, want, chunk.first(static_cast<std::size_t>(want * stored)), got, code);
        if (result != kFileOk) return result;
        if (got <= 0) break;
        summary.Append(chunk.first(static_cast<std::size_t>(got * stored)));
        from += got;
        if (got < want) break;
    }
    return -1;
}

void CWaveFile::WantExpectedCuts(const Place& at, EnvelopeSummary& summary, std::span<const StreamChunk> also,
                                 int stepCode, int64_t capacity) const {
    std::vector<int64_t> cuts, blocks;
    EnvelopeSummary::CutsOf(also, stepCode, capacity, cuts, blocks);
    std::vector<StreamChunk> chunks;
    for (EnvelopeRead r : ExpectedReads()) {
        if (!ExpectedHere(at, r)) continue;
        const int outSize = OutputSize(r.code, WidthOf(at.trace));
        if (outSize == 0 || r.stepCode / 256 < EnvelopeSummary::kBlock || r.pos < 0 || r.count <= 0) continue;
        int64_t first = 0, end = 0;
        constexpr int64_t kAny = int64_t{1} << 40;
        if (!PlanEnvelope(at, r.stepCode, ShapeOf(r.stepCode, r.count, outSize), r.pos, r.count, kAny, chunks, first,
                          end))
            continue;
        EnvelopeSummary::CutsOf(chunks, r.stepCode, kAny, cuts, blocks);
    }
    for (auto* v : {&cuts, &blocks}) {
        std::sort(v->begin(), v->end());
        v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    summary.WantCuts(std::move(cuts), std::move(blocks));
}

bool CWaveFile::PlanEnvelope(const Place& at, int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                             int64_t dstCapacity, std::vector<StreamChunk>& chunks, int64_t& first,
                             int64_t& end) const {
    chunks.clear();
    first = end = 0;
    int64_t running = pos, left = count, values = 0;
    while (left > 0 && values < dstCapacity) {
        const int64_t want = std::min(shape.perRead, left);
        left -= want;
        int64_t from = 0, got = 0;
        StreamSpan(at, running, want, from, got);
        if (got <= 0) break;
        if (chunks.empty()) first = from;
        else if (from != end) return false;  // not one stretch of the stream
        for (int64_t k = 0; k < got && values < dstCapacity; k += shape.chunk) {
            const int64_t n = std::min(shape.chunk, got - k);
            chunks.push_back({from + k, n});
            values += std::min(2 * EnvelopeSummary::GroupsOf(n, stepCode), dstCapacity - values);
        }
        end = from + got;
        running += got;
        if (got < want && shape.perRead != shape.chunk) break;
    }
    return !chunks.empty();
}

bool CWaveFile::SummaryEnvelope(const Place& at, int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                                std::span<uint8_t> dst, int64_t& outCount, int code, int& result) const {
    const int w = WidthOf(at.trace), outSize = OutputSize(code, w);
    const int stored = std::min(w, outSize);
    const int kind = traces_[static_cast<std::size_t>(at.trace)].DataKind;
    // Finer than a summary block and too short to build one while it passes: the
    // summaries have nothing to give (reads of the samples themselves, run by run).
    if (stepCode / 256 < EnvelopeSummary::kBlock && 2 * count + 2 < BlockSizeAt(at)) return false;
    SummaryKey key;
    if (!SummaryKeyFor(at, stored, CompareOf(kind), key)) return false;
    const int64_t dstCapacity = static_cast<int64_t>(dst.size()) / outSize;
    std::vector<StreamChunk> chunks;
    int64_t first = 0, end = 0;
    if (dstCapacity <= 0 || !PlanEnvelope(at, stepCode, shape, pos, count, dstCapacity, chunks, first, end))
        return false;

    if (SummaryStore::Lease summary = summaries_->Find(key))
        return ReduceFromSummary(at, summary, key, chunks, stepCode, dst, outCount, code, result);

    // Built while a read that covers most of the record passes over its samples.
    const int64_t target = RecordSummarySamples(at, stored);
    if (target == 0 || end > target || 2 * (end - first) < target) return false;
    auto summary = std::make_unique<EnvelopeSummary>(stored, CompareOf(kind), target);
    // Large records are summarised on all processors first; the read then comes
    // from the summary, which keeps the samples it needs around its cuts.
    constexpr int64_t kFillBytes = int64_t{4} << 20;
    int64_t offset = 0;
    if (stepCode / 256 >= EnvelopeSummary::kBlock && target * w >= kFillBytes && ContiguousRecord(at, offset)) {
        WantExpectedCuts(at, *summary, chunks, stepCode, dstCapacity);
        const int filled = FillSummary(at, *summary, offset, target);
        if (filled == kFillEndedEarly) return false;  // the data end before the record does
        result = filled;
        if (filled != kFileOk) return true;  // a failed or cancelled read leaves no summary
        summary->Finish();
        summaries_->Insert(key, std::move(summary));
        SummaryStore::Lease kept = summaries_->Find(key);
        return kept && ReduceFromSummary(at, kept, key, chunks, stepCode, dst, outCount, code, result);
    }
    WantExpectedCuts(at, *summary);
    if (first > 0 && (FeedSummary(at, *summary, 0, first) != kFileOk || summary->Samples() != first)) return false;
    int64_t running = 0;
    bool ended = false;
    result = StreamEnvelope(at, stepCode, shape, pos, count, dst, outCount, code, summary.get(), running, ended);
    if (result != kFileOk) return true;
    if (!ended && FeedSummary(at, *summary, running, target) != kFileOk) return true;
    summary->Finish();
    summaries_->Insert(key, std::move(summary));
    return true;
}

bool CWaveFile::ReduceFromSummary(const Place& at, SummaryStore::Lease& summary, const SummaryKey& key,
                                  std::span<const StreamChunk> chunks, int stepCode, std::span<uint8_t> dst,
                                  int64_t& outCount, int code, int& result) const {
    const int w = WidthOf(at.trace), outSize = OutputSize(code, w), stored = summary->SampleBytes();
    const int kind = traces_[static_cast<std::size_t>(at.trace)].DataKind;
    const int64_t dstCapacity = static_cast<int64_t>(dst.size()) / outSize;
    if (stepCode / 256 < EnvelopeSummary::kBlock || chunks.back().first + chunks.back().count > summary->Samples())
        return false;
    Scratch reduced(scratch_);
    const std::span<uint8_t> values = reduced.First(dstCapacity * stored);
    const int storedCode = StoredCode(at, stored);
    const StreamReader read = [this, &at, storedCode](int64_t from, int64_t n, std::span<uint8_t> out, int64_t& got) {
        return ReadDataAt(at, from, n, out, got, storedCode);
    };
    int64_t written = 0;
    result = summary->Reduce(chunks, stepCode, read, values, dstCapacity, written);
    if (result == kSummaryStale) {
        summaries_->Erase(key);  // the file is not what it was
        return false;
    }
    summaries_->Update(key, summary);
    if (result != kFileOk) return true;
    const bool zeroExtend = kind == kKindBit || kind == kKindUnsigned;
    if (stored == outSize) {
        std::memcpy(dst.data(), values.data(), static_cast<std::size_t>(written * outSize));
    } else {
        ConvertSampleRun(code, stored, dst, values.first(static_cast<std::size_t>(written * stored)), written, false,
                         zeroExtend);
    }
    outCount = written;
    return true;
}

}  // namespace kivelo
