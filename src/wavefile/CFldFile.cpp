#include "wavefile/CFldFile.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "wavefile/NumberText.h"
#include "wavefile/PairReduction.h"
#include "wavefile/SummaryStore.h"

namespace kivelo {

namespace {

constexpr int64_t kScanPieceBytes = 40000;
constexpr int64_t kTextPieceValues = 10000;
constexpr float kDivisions = 10.0f;
constexpr float kHalf = kDivisions / 2;

struct ScaleRange {
    float top = 0.0f;
    float bottom = 0.0f;
};

float Pow10(int e) { return static_cast<float>(std::pow(10.0, e)); }

// The step's nearest multiple to c (half away from zero), or c itself when that
// multiple would be too far out to stay exact.
float Centre(float c, float step) {
    if (c == 0.0f) return 0.0f;
    const long double q = static_cast<long double>(c) / step;
    if (std::fabs(q) >= 100000.0L) return c;
    const long double whole = std::trunc(c > 0.0f ? q + 0.5L : q - 0.5L);
    return static_cast<float>(whole) * step;
}

// Floats as signed integers of the same order, so the integer pair reduction applies.
int32_t OrderKey(float f) {
    const auto bits = std::bit_cast<int32_t>(f);
    return bits >= 0 ? bits : bits ^ INT32_MAX;
}

float FromOrderKey(int32_t key) { return std::bit_cast<float>(key >= 0 ? key : key ^ INT32_MAX); }

ScaleRange Around(float c, float step) {
    const float centre = Centre(c, step);
    return {centre + kHalf * step, centre - kHalf * step};
}

// A display range of 10 divisions with a 1-2-5 step around [m, M], in single precision.
ScaleRange ChooseRange(float M, float m) {
    const float c = M * 0.5f + m * 0.5f;  // (M + m) / 2 without overflowing
    const float range = M - m;
    if (!std::isfinite(range)) return {M, m};  // no step fits; show the data's own range
    if (range < 1e-30f) {
        if (c == 0.0f) return {kHalf, -kHalf};
        const int k = static_cast<int>(std::trunc(std::log10(std::fabs(c)))) - 4;
        const float u = k > 30 ? 1e30f : k < -30 ? 1e-30f : Pow10(k);
        return {c + kHalf * u, c - kHalf * u};
    }
    float a = range / (kDivisions - 1.0f);
    int e = 0;
    while (a <= 0.001f) a *= 1000.0f, e -= 3;
    while (a >= 1000.0f) a *= 0.001f, e += 3;
    while (a < 1.0f) a *= 10.0f, e -= 1;
    while (a >= 10.0f) a *= 0.1f, e += 1;
    const bool stepOfTwo = a > 1.0f && a <= 2.0f;
    const float step = a <= 1.0f ? Pow10(e) : a <= 2.0f ? 2.0f * Pow10(e) : a <= 5.0f ? 5.0f * Pow10(e) : Pow10(e + 1);

    ScaleRange r = Around(c, step);
    if (r.top > M && r.bottom < m) return r;
    // Wider steps keep the centre on a multiple of the step so the range stays around the data.
    const float second = step * (stepOfTwo ? 2.5f : 2.0f);
    r = Around(c, second);
    if (r.top >= M && r.bottom <= m) return r;
    return Around(c, second * (stepOfTwo ? 2.0f : 2.5f));
}

}  // namespace

// ---- open and close ---------------------------------------------------------

int CFldFile::Open(const std::string& path, int64_t cacheCapacity) {
    Close();
    failure_ = {};
    std::string cause;
    if (!data_.OpenRead(path, cause)) return OpenFailed(0, path + ": " + cause);
    StampDataFile();
    open_ = true;

    std::vector<uint8_t> piece(static_cast<std::size_t>(kScanPieceBytes));
    bool any = false;
    auto take = [&](float f) {
        if (!std::isfinite(f)) return;  // would spoil the scale
        if (!any) {
            dataMax_ = dataMin_ = f;
            any = true;
        } else if (f > dataMax_) {
            dataMax_ = f;
        } else if (f < dataMin_) {
            dataMin_ = f;
        }
    };
    const int64_t size = data_.Size();
    for (int64_t offset = 0;;) {
        // The holes of a sparse file read as zeros: whole pieces of them are counted, not read.
        const off_t data = ::lseek(data_.Descriptor(), offset, SEEK_DATA);
        const int64_t next = data >= 0 ? static_cast<int64_t>(data) : (errno == ENXIO ? size : offset);
        const int64_t skip = (next - offset) / kScanPieceBytes * kScanPieceBytes;
        if (skip > 0) {
            sampleCount_ += skip / 4;
            take(0.0f);
            offset += skip;
            continue;
        }
        const int64_t got = data_.ReadAt(offset, piece);
        if (got < 0) {
            Close();
            return OpenFailed(
                0, path + ": reading stopped at byte " + std::to_string(offset) + " (cancelled or a read error)");
        }
        if (got == 0) break;
        for (int64_t i = 0; i + 4 <= got; i += 4) {
            float f;
            std::memcpy(&f, piece.data() + i, 4);
            ++sampleCount_;
            take(f);
        }
        offset += got;
        if (got < kScanPieceBytes) break;
    }
    ChooseScale();
    return -1;
}

void CFldFile::ChooseScale() {
    const ScaleRange r = ChooseRange(dataMax_, dataMin_);
    scaleTop_ = r.top;
    scaleBottom_ = r.bottom;
    vResolution_ = (static_cast<double>(scaleTop_) - scaleBottom_) * 1.5625e-5;
    vOffset_ = (static_cast<double>(scaleTop_) + scaleBottom_) * 0.5;
    if (!(vResolution_ > 0.0) || !std::isfinite(vResolution_) || !std::isfinite(vOffset_)) {
        // Values so large that the range vanished in single precision: scale in double.
        const double c = 0.5 * dataMax_ + 0.5 * dataMin_;
        const double half = std::max(std::fabs(c) * 1e-3, 5e-30);
        vOffset_ = c;
        vResolution_ = 2.0 * half * 1.5625e-5;
    }
}

int CFldFile::Close() {
    ResetState();
    sampleCount_ = 0;
    dataMax_ = dataMin_ = scaleTop_ = scaleBottom_ = 0.0f;
    vResolution_ = vOffset_ = 0.0;
    floats_.Clear();
    keys_.Clear();
    return -1;
}

// ---- fixed answers ----------------------------------------------------------

void CFldFile::SetBlock(int) {}
void CFldFile::SetTrace(int) {}
int CFldFile::GetBlockNumber() { return 1; }
int CFldFile::GetTraceTotalNumber() { return 1; }
int32_t CFldFile::BlockSizeAt(const Place&) const {
    return static_cast<int32_t>(std::min<int64_t>(sampleCount_, INT32_MAX));
}
uint32_t CFldFile::GetChannelMask() { return 1; }

int CFldFile::GetTraceInfo(int, TraceInfo& out) {
    out.TraceName = "FLOAT";
    out.VResolution = vResolution_;
    out.VOffset = vOffset_;
    out.DataWidth = 2;
    out.DataKind = kKindSigned;
    out.VUnit.clear();
    return -1;
}

int CFldFile::GetHorzInfo(HorzInfo& out) {
    out.HResolution = 1.0;
    out.HOffset = 0.0;
    out.HUnit.clear();
    return -1;
}

int CFldFile::GetDateTime(int, std::string& date, std::string& time) {
    // Linux keeps no creation time; the last modification is the closest stamp.
    struct stat st {};
    if (!data_.IsOpen() || ::fstat(data_.Descriptor(), &st) != 0) return 0;
    std::tm tm{};
    const std::time_t t = st.st_mtime;
    if (::localtime_r(&t, &tm) == nullptr) return 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", (tm.tm_year + 1900) % 100, tm.tm_mon + 1, tm.tm_mday);
    date = buf;
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    time = buf;
    return -1;
}

int CFldFile::GetModel(std::string& model) {
    model = "QV_FLOAT";
    return -1;
}

// ---- reads ------------------------------------------------------------------

int16_t CFldFile::DisplaySample(float f) const {
    const double q = (static_cast<double>(f) - vOffset_) / vResolution_;
    if (std::isnan(q)) return 0;
    return static_cast<int16_t>(std::clamp(std::trunc(q), -32768.0, 32767.0));
}

int64_t CFldFile::ReadFloats(int64_t pos, std::span<float> values) const {
    if (pos < 0 || pos >= sampleCount_) return 0;
    const int64_t n = std::min(static_cast<int64_t>(values.size()), sampleCount_ - pos);
    const int64_t got =
        data_.ReadAt(pos * 4, std::span(reinterpret_cast<uint8_t*>(values.data()), static_cast<std::size_t>(n * 4)));
    return got < 0 ? 0 : got / 4;
}

int CFldFile::ReadTextAt(const Place&, int64_t pos, int64_t count, std::span<ValueText> texts,
                         int64_t& outCount) const {
    outCount = 0;
    if (!open_ || pos < 0 || count < 0) return 0;
    count = std::min(count, static_cast<int64_t>(texts.size()));
    ScratchPool<float>::Lease buffer(floats_);
    const std::span<float> values = buffer.First(std::min(count, kTextPieceValues));
    while (outCount < count) {
        const int64_t want = std::min(count - outCount, kTextPieceValues);
        const int64_t got = ReadFloats(pos + outCount, values.first(static_cast<std::size_t>(want)));
        for (int64_t i = 0; i < got; ++i) {
            FormatValueText(values[static_cast<std::size_t>(i)], texts[static_cast<std::size_t>(outCount + i)]);
        }
        outCount += got;
        if (got < want) break;
    }
    return -1;
}

int32_t CFldFile::NanKey() const {
    // NaN shows as the display centre and never wins a comparison.
    return OrderKey(static_cast<float>(vOffset_));
}

int CFldFile::ReadEnvelopeAt(const Place&, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                             int64_t& outCount, int) const {
    outCount = 0;
    const int64_t g = stepCode / 256;
    if (!open_ || g < 1 || pos < 0 || count < 0) return 0;
    const int64_t capacity = std::min<int64_t>(static_cast<int64_t>(dst.size()) / 2, kMaxEnvelopeValues);
    const int64_t chunk = EnvelopeChunk(g, count);
    if (chunk == 0 || pos >= sampleCount_) return -1;
    if (summaries_ && SummaryEnvelope(stepCode, chunk, pos, count, dst, capacity, outCount)) return -1;
    int64_t running = 0;
    StreamEnvelope(stepCode, chunk, pos, count, dst, capacity, outCount, nullptr, running);
    return -1;
}

void CFldFile::StreamEnvelope(int stepCode, int64_t chunk, int64_t pos, int64_t count, std::span<uint8_t> dst,
                              int64_t capacity, int64_t& outCount, EnvelopeSummary* builder, int64_t& running) const {
    const int64_t g = stepCode / 256;
    // A chunk never needs more room than the values left in the file.
    const int64_t room = std::min(chunk, sampleCount_ - pos);
    const int64_t pairCapacity = 2 * (room / g + 2);
    ScratchPool<float>::Lease floatBuffer(floats_);
    ScratchPool<int32_t>::Lease keyBuffer(keys_), pairBuffer(keys_);
    const std::span<float> floats = floatBuffer.First(room);
    const std::span<int32_t> keys = keyBuffer.First(room);
    const std::span<int32_t> pairKeys = pairBuffer.First(pairCapacity);
    const int32_t nanKey = NanKey();

    running = pos;
    int64_t left = count;
    while (left > 0 && outCount < capacity) {
        const int64_t k = std::min(chunk, left);
        left -= k;
        const int64_t n = ReadFloats(running, floats.first(static_cast<std::size_t>(std::min(k, room))));
        if (n <= 0) break;
        for (int64_t i = 0; i < n; ++i) {
            const float f = floats[static_cast<std::size_t>(i)];
            keys[static_cast<std::size_t>(i)] = std::isnan(f) ? nanKey : OrderKey(f);
        }
        if (builder) builder->Append({reinterpret_cast<const uint8_t*>(keys.data()), static_cast<std::size_t>(n) * 4});
        const int64_t made = ReduceSamples(keys.data(), n, stepCode, false, pairKeys.data(), pairCapacity);
        const int64_t take = std::min(made, capacity - outCount);
        for (int64_t i = 0; i < take; ++i) {
            const int16_t d = DisplaySample(FromOrderKey(pairKeys[static_cast<std::size_t>(i)]));
            std::memcpy(dst.data() + 2 * (outCount + i), &d, 2);
        }
        outCount += take;
        running += n;
    }
}

// ---- envelope summaries -----------------------------------------------------

bool CFldFile::DescribeStream(const Place&, SummaryKey& key) const {
    key.layout[0] = 3;  // the values of a floating file as comparison keys
    key.layout[1] = sampleCount_;
    key.layout[2] = NanKey();
    return true;
}

int CFldFile::ReadKeys(int64_t pos, int64_t count, std::span<uint8_t> out, int64_t& got) const {
    got = 0;
    count = std::min(count, static_cast<int64_t>(out.size()) / 4);
    if (pos < 0 || count <= 0) return -1;
    const int64_t bytes = data_.ReadAt(pos * 4, out.first(static_cast<std::size_t>(count) * 4));
    if (bytes < 0) return 0;
    got = bytes / 4;
    const int32_t nanKey = NanKey();
    for (int64_t i = 0; i < got; ++i) {
        float f;
        std::memcpy(&f, out.data() + 4 * i, 4);
        const int32_t key = std::isnan(f) ? nanKey : OrderKey(f);
        std::memcpy(out.data() + 4 * i, &key, 4);
    }
    return -1;
}

bool CFldFile::FeedKeys(EnvelopeSummary& summary, int64_t from, int64_t to) const {
    constexpr int64_t kFeedValues = int64_t{64} << 10;
    std::vector<uint8_t> keys(static_cast<std::size_t>(std::min(kFeedValues, std::max<int64_t>(to - from, 0))) * 4);
    while (from < to) {
        int64_t got = 0;
        if (ReadKeys(from, std::min(kFeedValues, to - from), keys, got) != kFileOk || got <= 0) return false;
        summary.Append(std::span<const uint8_t>(keys).first(static_cast<std::size_t>(got) * 4));
        from += got;
    }
    return true;
}

void CFldFile::PlanChunks(int stepCode, int64_t chunk, int64_t pos, int64_t count, int64_t capacity,
                          std::vector<StreamChunk>& chunks, int64_t& end) const {
    chunks.clear();
    int64_t left = count, values = 0;
    end = pos;
    while (left > 0 && values < capacity) {
        const int64_t k = std::min(chunk, left);
        left -= k;
        const int64_t n = std::min(k, sampleCount_ - end);
        if (n <= 0) break;
        chunks.push_back({end, n});
        values += std::min(2 * EnvelopeSummary::GroupsOf(n, stepCode), capacity - values);
        end += n;
    }
}

bool CFldFile::SummaryEnvelope(int stepCode, int64_t chunk, int64_t pos, int64_t count, std::span<uint8_t> dst,
                               int64_t capacity, int64_t& outCount) const {
    SummaryKey key;
    if (capacity <= 0 || !SummaryKeyFor(Place{}, 4, EnvelopeSummary::Compare::Signed, key)) return false;
    std::vector<StreamChunk> chunks;
    int64_t running = 0;
    PlanChunks(stepCode, chunk, pos, count, capacity, chunks, running);
    if (chunks.empty()) return false;

    if (SummaryStore::Lease summary = summaries_->Find(key)) {
        if (stepCode / 256 < EnvelopeSummary::kBlock || running > summary->Samples()) return false;
        ScratchPool<int32_t>::Lease pairBuffer(keys_);
        const std::span<int32_t> pairKeys = pairBuffer.First(capacity);
        const StreamReader read = [this](int64_t at, int64_t n, std::span<uint8_t> out, int64_t& got) {
            return ReadKeys(at, n, out, got);
        };
        int64_t written = 0;
        const int result = summary->Reduce(
            chunks, stepCode, read,
            std::span(reinterpret_cast<uint8_t*>(pairKeys.data()), static_cast<std::size_t>(capacity) * 4), capacity,
            written);
        if (result == kSummaryStale) summaries_->Erase(key);  // the file is not what it was
        if (result != kFileOk) return false;
        summaries_->Update(key, summary);
        for (int64_t i = 0; i < written; ++i) {
            const int16_t d = DisplaySample(FromOrderKey(pairKeys[static_cast<std::size_t>(i)]));
            std::memcpy(dst.data() + 2 * i, &d, 2);
        }
        outCount = written;
        return true;
    }

    // Built while a read that covers most of the file passes over its values.
    if (2 * (running - pos) < sampleCount_ || !summaries_->Fits(EnvelopeSummary::EstimateBytes(sampleCount_, 4)))
        return false;
    auto summary = std::make_unique<EnvelopeSummary>(4, EnvelopeSummary::Compare::Signed, sampleCount_);
    std::vector<int64_t> cuts, blocks;
    std::vector<StreamChunk> planned;
    for (const EnvelopeRead& r : ExpectedReads()) {
        const int64_t g = r.stepCode / 256;
        if (g < 1 || r.pos < 0 || r.count <= 0) continue;
        int64_t stop = 0;
        // clang-format off
        PlanChunks(r.stepCode, std::min(g >= 10001 ? g : g < 1001 ? g * 100 : g * 10, r.count), r.pos, r.count,
                   kMaxEnvelopeValues, planned, stop);
        // clang-format on
        EnvelopeSummary::CutsOf(planned, r.stepCode, kMaxEnvelopeValues, cuts, blocks);
    }
    for (auto* v : {&cuts, &blocks}) {
        std::sort(v->begin(), v->end());
        v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    summary->WantCuts(std::move(cuts), std::move(blocks));
    if (!FeedKeys(*summary, 0, pos)) return false;
    StreamEnvelope(stepCode, chunk, pos, count, dst, capacity, outCount, summary.get(), running);
    // A failed read leaves the summary short: it is not kept.
    if (!FeedKeys(*summary, running, sampleCount_) || summary->Samples() != sampleCount_) return true;
    summary->Finish();
    summaries_->Insert(key, std::move(summary));
    return true;
}

}  // namespace kivelo
