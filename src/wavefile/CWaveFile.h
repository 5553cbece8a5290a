#pragma once
// An open waveform file as traces x blocks of samples with per-trace scaling.
// Reads act on the current block and trace (SetBlock / SetTrace); the wider
// overloads set them first and then call the narrower one virtually.
// Results: -1 success, 0 failure (Open has numbered failures, see OpenResult).
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "CCachedFormatter.h"
#include "CHdrFile.h"
#include "FileHandle.h"
#include "HeaderRecords.h"
#include "WaveRecords.h"

namespace kivelo {

class CWaveFile {
public:
    CWaveFile();
    // Opens at once; IsOpen() tells success.
    CWaveFile(const std::string& path, int64_t cacheCapacity);
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Virtual operations, in table order.
    virtual uint32_t MapChannel(int trace, const std::string& name, int32_t& channel);
    virtual int CheckCache(int64_t pos, int64_t count);
    virtual int ReadRaw(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead);
    virtual int ReadCached(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead);
    virtual void ConvertSamples(int code, int width, std::span<uint8_t> dst,
                                std::span<const uint8_t> src, int64_t count);
    virtual ~CWaveFile();
    virtual int Open(const std::string& path, int64_t cacheCapacity);
    virtual int Close();
    virtual void SetBlock(int block);
    virtual void SetTrace(int trace);
    virtual int GetBlockNumber();
    virtual int GetTraceTotalNumber();
    virtual int32_t GetBlockSize();
    virtual uint32_t GetChannelMask();
    virtual int GetTraceInfo(int trace, TraceInfo& out);
    virtual int GetHorzInfo(HorzInfo& out);
    virtual int GetDateTime(int block, std::string& date, std::string& time);
    virtual int GetModel(std::string& model);

    virtual int ReadData(int block, int trace, int64_t pos, int64_t count,
                         std::span<uint8_t> dst, int64_t& outCount, int code);
    virtual int ReadData(int trace, int64_t pos, int64_t count,
                         std::span<uint8_t> dst, int64_t& outCount, int code);
    virtual int ReadData(int64_t pos, int64_t count,
                         std::span<uint8_t> dst, int64_t& outCount, int code);

    virtual int ReadText(int block, int trace, int64_t pos, int64_t count,
                         std::span<ValueText> texts, int64_t& outCount);
    virtual int ReadText(int trace, int64_t pos, int64_t count,
                         std::span<ValueText> texts, int64_t& outCount);
    virtual int ReadText(int64_t pos, int64_t count,
                         std::span<ValueText> texts, int64_t& outCount);

    virtual int ReadValues(int block, int trace, int64_t pos, int64_t count,
                           std::span<double> values, int64_t& outCount);
    virtual int ReadValues(int trace, int64_t pos, int64_t count,
                           std::span<double> values, int64_t& outCount);
    virtual int ReadValues(int64_t pos, int64_t count,
                           std::span<double> values, int64_t& outCount);

    virtual int ReadEnvelopeRatio(int ratio, int block, int trace, int64_t pos, int64_t count,
                                  std::span<uint8_t> dst, int64_t& outCount, int code);
    virtual int ReadEnvelopeRatio(int ratio, int trace, int64_t pos, int64_t count,
                                  std::span<uint8_t> dst, int64_t& outCount, int code);
    virtual int ReadEnvelopeRatio(int ratio, int64_t pos, int64_t count,
                                  std::span<uint8_t> dst, int64_t& outCount, int code);

    virtual int ReadEnvelope(int stepCode, int block, int trace, int64_t pos, int64_t count,
                             std::span<uint8_t> dst, int64_t& outCount, int code);
    virtual int ReadEnvelope(int stepCode, int trace, int64_t pos, int64_t count,
                             std::span<uint8_t> dst, int64_t& outCount, int code);
    virtual int ReadEnvelope(int stepCode, int64_t pos, int64_t count,
                             std::span<uint8_t> dst, int64_t& outCount, int code);

    // Non-virtual helpers.
    bool IsOpen() const { return open_; }
    int GetCurrentBlock() const { return currentBlock_; }
    int GetCurrentTrace() const { return currentTrace_; }
    // Byte-order conversion of 2- and 4-byte samples (on after Open); the
    // realtime converter switches it off to copy samples as stored.
    void SetByteOrderConversion(bool on) { swapEnabled_ = on; }
    bool GetByteOrderConversion() const { return swapEnabled_; }
    // The header reader kept from Open (null when closed).
    const CHdrFile* GetHeader() const { return header_.get(); }
    const HdrPublicInfo& GetPublicInfo() const { return public_; }

protected:
    // Output sample size in bytes for a width code and a native width (0 for a bad code).
    static int OutputSize(int code, int nativeWidth);
    // Turns a raw sample of the current trace to/from display order; shared by the derived readers.
    bool FileIsLittleEndian() const;

    bool open_ = false;
    std::unique_ptr<CHdrFile> header_;
    std::unique_ptr<CCachedFormatter> formatter_;
    FileHandle data_;
    int currentBlock_ = 0;
    int currentTrace_ = 0;
    uint32_t channelMask_ = 0;
    HdrPublicInfo public_;
    std::vector<HdrGroupInfo> groups_;
    std::vector<TraceInfo> traces_;
    HorzInfo horz_;
    HdrModelInfo modelInfo_;
    std::vector<TraceCache> caches_;
    bool swapEnabled_ = true;
    int currentRegion_ = 0;  // data region of realtime files; 0 otherwise
};

}  // namespace kivelo
