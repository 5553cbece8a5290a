#pragma once
// A floating (.fld) file: bare 32-bit floats of one signal, presented as a
// one-trace, one-block waveform. A scan at open finds the value range and
// chooses a display range with simple end values around it; envelope reads
// deliver 16-bit display samples scaled into that range.
#include <cstdint>
#include <string>
#include <vector>

#include "wavefile/CWaveFile.h"

namespace kivelo {

class CFldFile : public CWaveFile {
public:
    static constexpr int kMaxEnvelopeValues = 2048;

    CFldFile() = default;

    int Open(const std::string& path, int64_t cacheCapacity) override;
    int Close() override;
    void SetBlock(int block) override;
    void SetTrace(int trace) override;
    int GetBlockNumber() override;
    int GetTraceTotalNumber() override;
    uint32_t GetChannelMask() override;
    int GetTraceInfo(int trace, TraceInfo& out) override;
    int GetHorzInfo(HorzInfo& out) override;
    int GetDateTime(int block, std::string& date, std::string& time) override;
    int GetModel(std::string& model) override;

    int64_t GetSampleCount() const { return sampleCount_; }
    float GetDataMaximum() const { return dataMax_; }
    float GetDataMinimum() const { return dataMin_; }
    float GetScaleTop() const { return scaleTop_; }
    float GetScaleBottom() const { return scaleBottom_; }
    // Display sample of a value: trunc((f - VOffset) / VResolution), limited to 16 bits.
    int16_t DisplaySample(float f) const;
    // Reads up to values.size() stored floats from value index pos; returns the count read.
    int64_t ReadFloats(int64_t pos, std::span<float> values) const;

protected:
    // The one record of the one trace, wherever a read asks: texts are the stored
    // values, envelopes min/max pairs as 16-bit display samples.
    int32_t BlockSizeAt(const Place& at) const override;
    int ReadTextAt(const Place& at, int64_t pos, int64_t count, std::span<ValueText> texts,
                   int64_t& outCount) const override;
    int ReadEnvelopeAt(const Place& at, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                       int64_t& outCount, int code) const override;
    bool DescribeStream(const Place& at, SummaryKey& key) const override;

private:
    void ChooseScale();
    // The comparison keys of `count` values from pos into out; -1, or 0 when the read failed.
    int ReadKeys(int64_t pos, int64_t count, std::span<uint8_t> out, int64_t& got) const;
    int32_t NanKey() const;
    // The envelope read from the values; the keys of every chunk also go to
    // `builder` when one is given. `running` ends after the last value read.
    void StreamEnvelope(int stepCode, int64_t chunk, int64_t pos, int64_t count, std::span<uint8_t> dst,
                        int64_t capacity, int64_t& outCount, EnvelopeSummary* builder, int64_t& running) const;
    // Answers the read from a summary, or builds one while reading; false when the
    // read is to be streamed as it is.
    bool SummaryEnvelope(int stepCode, int64_t chunk, int64_t pos, int64_t count, std::span<uint8_t> dst,
                         int64_t capacity, int64_t& outCount) const;
    // The chunks the read reduces: consecutive from pos, cut at the last value;
    // `end` after the last.
    void PlanChunks(int stepCode, int64_t chunk, int64_t pos, int64_t count, int64_t capacity,
                    std::vector<StreamChunk>& chunks, int64_t& end) const;
    // Keys of the values from `from` to `to` into the summary; false when a read failed.
    bool FeedKeys(EnvelopeSummary& summary, int64_t from, int64_t to) const;

    int64_t sampleCount_ = 0;
    float dataMax_ = 0.0f;
    float dataMin_ = 0.0f;
    float scaleTop_ = 0.0f;
    float scaleBottom_ = 0.0f;
    double vResolution_ = 0.0;
    double vOffset_ = 0.0;
    // Work buffers, lent to one read at a time.
    mutable ScratchPool<float> floats_;
    mutable ScratchPool<int32_t> keys_;
};

}  // namespace kivelo
