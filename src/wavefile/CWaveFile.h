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

#include "wavefile/CCachedFormatter.h"
#include "wavefile/CHdrFile.h"
#include "wavefile/EnvelopeSummary.h"
#include "wavefile/FileHandle.h"
#include "wavefile/HeaderRecords.h"
#include "wavefile/OpenReport.h"
#include "wavefile/SummaryKey.h"
#include "wavefile/WaveRecords.h"

namespace kivelo {

class SummaryStore;

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
    // src and dst may be the same memory when the output size equals the width
    // (ReadData then converts in place).
    virtual void ConvertSamples(int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                                int64_t count);
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

    virtual int ReadData(int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                         int code);
    virtual int ReadData(int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount, int code);
    virtual int ReadData(int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount, int code);

    virtual int ReadText(int block, int trace, int64_t pos, int64_t count, std::span<ValueText> texts,
                         int64_t& outCount);
    virtual int ReadText(int trace, int64_t pos, int64_t count, std::span<ValueText> texts, int64_t& outCount);
    virtual int ReadText(int64_t pos, int64_t count, std::span<ValueText> texts, int64_t& outCount);

    virtual int ReadValues(int block, int trace, int64_t pos, int64_t count, std::span<double> values,
                           int64_t& outCount);
    virtual int ReadValues(int trace, int64_t pos, int64_t count, std::span<double> values, int64_t& outCount);
    virtual int ReadValues(int64_t pos, int64_t count, std::span<double> values, int64_t& outCount);

    virtual int ReadEnvelopeRatio(int ratio, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                  int64_t& outCount, int code);
    virtual int ReadEnvelopeRatio(int ratio, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                  int64_t& outCount, int code);
    virtual int ReadEnvelopeRatio(int ratio, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                                  int code);

    virtual int ReadEnvelope(int stepCode, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                             int64_t& outCount, int code);
    virtual int ReadEnvelope(int stepCode, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                             int64_t& outCount, int code);
    virtual int ReadEnvelope(int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                             int code);

    // Non-virtual helpers.
    bool IsOpen() const { return open_; }
    // Why the last Open failed (its code and cause); code -1 after a successful one.
    const OpenFailure& GetOpenFailure() const { return failure_; }
    // The traces the data file holds only in part, in trace order (none when it
    // holds all the header describes), and the byte counts behind it.
    std::span<const ShortTrace> GetShortTraces() const { return shortTraces_; }
    int64_t GetDescribedBytes() const { return describedBytes_; }
    int64_t GetDataFileBytes() const { return dataFileBytes_; }
    // ShortDataWarning of this file; empty when nothing is short.
    std::string GetShortDataWarning() const;
    // Samples of block `block` of trace `trace` that the data file holds: the
    // block size, or fewer when the file ends early.
    int64_t SamplesPresent(int block, int trace);
    int GetCurrentBlock() const { return currentBlock_; }
    int GetCurrentTrace() const { return currentTrace_; }
    // Byte-order conversion of 2- and 4-byte samples (on after Open); the
    // realtime converter switches it off to copy samples as stored.
    void SetByteOrderConversion(bool on) { swapEnabled_ = on; }
    bool GetByteOrderConversion() const { return swapEnabled_; }
    // The header reader kept from Open (null when closed).
    const CHdrFile* GetHeader() const { return header_.get(); }
    const HdrPublicInfo& GetPublicInfo() const { return public_; }
    // Counts and can stop the data reads from another thread (kept across Open/Close).
    void SetReadMonitor(ReadMonitor* monitor) { data_.SetMonitor(monitor); }
    // Envelope reads that pass over a whole record keep a min/max summary of it in
    // this store, and later envelope reads of that record are answered from it
    // (null: none). Not owned: the store must outlive the reader. Kept across Open/Close.
    void SetSummaryStore(SummaryStore* store);
    // A store of this reader's own, within `bytes` (0: none).
    void SetSummaryBudget(int64_t bytes);
    SummaryStore* GetSummaryStore() const { return summaries_; }
    // Envelope reads expected next, of any record (say those that the windows
    // showing a record make): a summary built meanwhile keeps what they need of
    // the samples where their groups start and end inside a block, so that they
    // read nothing again. Kept until the next call.
    void ExpectEnvelopeReads(std::span<const EnvelopeRead> reads) { expected_.assign(reads.begin(), reads.end()); }
    // Unique to each successful open in this process (0 while closed): results kept
    // about the file's samples stay valid while it is unchanged.
    uint64_t OpenSerial() const { return open_ ? openSerial_ : 0; }

protected:
    // Output sample size in bytes for a width code and a native width (0 for a bad code).
    static int OutputSize(int code, int nativeWidth);
    // True when the header's Endian is "Ltl".
    bool FileIsLittleEndian() const;
    // True when 2- and 4-byte samples must be byte-reversed for this machine.
    bool NeedsSwap() const;
    // Open, current trace in range, readable data width and a non-empty block.
    bool CurrentTraceReadable();
    // Data width of the current trace (0 when out of range).
    int CurrentWidth() const;
    // File offset of byte p of the current trace's data in the current block
    // ("Trace" and "Block" layouts); -1 when it cannot be located.
    int64_t TraceByteOffset(int64_t p);
    // The window-cached read shared with the derived readers: the window is cut to
    // lastByte (the last byte of the data the window may hold); requests reaching
    // past it are read directly.
    int CachedWindowRead(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead, int64_t lastByte);
    // Reads up to count samples of the current trace at their own width into
    // sampleBuffer_ (through the virtual ReadData); result as ReadData.
    int ReadNativeSamples(int64_t pos, int64_t count, int64_t& got);
    // Drops everything Open built; the object is closed afterwards.
    void ResetState();
    // Notes why Open failed; returns code.
    int OpenFailed(int code, std::string cause);
    // Compares the data file's length with what the header describes and notes
    // the traces it holds only in part; false when it holds no sample at all.
    virtual bool CheckDataLength();

    // Where ReadData(pos, count) takes its samples from in the current record's
    // sample stream, were the data not to end: the first one's index and how many.
    virtual void StreamSpan(int64_t pos, int64_t count, int64_t& first, int64_t& delivered);
    // Fills the layout fields of the key (from index 0, kLayoutFields - 2 at most)
    // with what tells the current record's sample stream apart; false when it has
    // none to summarise.
    virtual bool DescribeStream(SummaryKey& key);
    // The current record's samples lie one after the other, as stored, from this
    // file offset (reads ahead of the consumer may then fetch them).
    virtual bool ContiguousRecord(int64_t& offset);
    // An expected envelope read as this reader's plain ReadEnvelope reads the current
    // stream; false when it reads another one.
    virtual bool ExpectedHere(EnvelopeRead& read) { return true; }
    // Notes the state of the data file just opened, for the summaries' keys.
    void StampDataFile();
    // Key of the current record's stream kept at this sample size and comparison;
    // false without a store or a stream.
    bool SummaryKeyFor(int storedBytes, EnvelopeSummary::Compare compare, SummaryKey& key);
    static EnvelopeSummary::Compare CompareOf(int kind);

    SummaryStore* summaries_ = nullptr;
    std::vector<EnvelopeRead> expected_;

    OpenFailure failure_;
    std::string dataPath_;
    std::vector<ShortTrace> shortTraces_;
    int64_t describedBytes_ = 0;
    int64_t dataFileBytes_ = 0;

    bool open_ = false;
    std::unique_ptr<CHdrFile> header_;
    // One text cache per trace that has been selected: a trace's scaling never
    // changes while the file is open, so its texts stay valid when readers
    // alternate between traces (CSV export switches trace every 100 samples).
    // At most kMaxFormatters are kept; beyond that the others are dropped.
    std::vector<std::unique_ptr<CCachedFormatter>> formatters_;
    int formatterCount_ = 0;
    CCachedFormatter* formatter_ = nullptr;  // the current trace's, owned by formatters_
    static constexpr int kMaxFormatters = 32;
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
    // Samples of all traces in the blocks before block b ("Block" layout), b = 0 .. B.
    std::vector<int64_t> blockPrefix_;
    // Work buffers reused across reads: raw bytes of ReadData, one envelope chunk,
    // its reduced pairs, and the samples behind ReadText / ReadValues.
    std::vector<uint8_t> readBuffer_;
    std::vector<uint8_t> chunkBuffer_;
    std::vector<uint8_t> pairBuffer_;
    std::vector<uint8_t> sampleBuffer_;

private:
    // How an envelope read cuts its request: chunks reduced by themselves, several
    // of them read at once.
    struct EnvelopeShape {
        int64_t chunk = 0;
        int64_t perRead = 0;
    };
    static EnvelopeShape ShapeOf(int stepCode, int64_t count, int outSize);
    // The envelope read from the samples; each batch read also goes to `builder`
    // when one is given. `running` ends as the read position after the last batch
    // and `ended` tells whether the data ended.
    int StreamEnvelope(int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count, std::span<uint8_t> dst,
                       int64_t& outCount, int code, EnvelopeSummary* builder, int64_t& running, bool& ended);
    // The chunks the read would reduce, in stream positions, with the stream range
    // its batches read; false when it reads nothing.
    bool PlanEnvelope(int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count, int64_t dstCapacity,
                      std::vector<StreamChunk>& chunks, int64_t& first, int64_t& end);
    // Answers the read from a summary, or builds one while reading; false when the
    // read is to be streamed as it is.
    bool SummaryEnvelope(int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count, std::span<uint8_t> dst,
                         int64_t& outCount, int code, int& result);
    // The read answered from the summary kept under key; false when it cannot be.
    bool ReduceFromSummary(EnvelopeSummary& summary, const SummaryKey& key, std::span<const StreamChunk> chunks,
                           int stepCode, std::span<uint8_t> dst, int64_t& outCount, int code, int& result);
    // Summarises the `target` samples of a contiguous record stored from `offset` on
    // every processor at once, each piece by the thread that read it, so that both
    // copying the samples from the page cache and summarising them are shared out.
    // -1; 0 when a read failed or was cancelled; kFillEndedEarly.
    static constexpr int kFillEndedEarly = 1;
    int FillSummary(EnvelopeSummary& summary, int64_t offset, int64_t target);
    // Reads the stream on from read position `from` into the summary until it holds
    // `target` samples or the data end.
    int FeedSummary(EnvelopeSummary& summary, int64_t from, int64_t target);
    // Appends output values of a read to the summary; returns them at the summary's size.
    std::span<const uint8_t> AppendToSummary(EnvelopeSummary& summary, std::span<const uint8_t> values, int outSize);
    // The width code that reads samples at the summary's size.
    int StoredCode(int storedBytes) const;
    // Gives the summary the cut positions and blocks of the expected reads in the
    // current record's stream, and of these chunks at this step code.
    void WantExpectedCuts(EnvelopeSummary& summary, std::span<const StreamChunk> chunks = {}, int stepCode = 0,
                          int64_t capacity = 0);

    // End (exclusive) of the bytes block b of trace t would occupy; -1 when unknown.
    int64_t BlockEndByte(int block, int trace);

    std::unique_ptr<SummaryStore> ownSummaries_;

    FileStamp stamp_;
    bool stamped_ = false;
    int64_t openedNs_ = 0;
    uint64_t session_ = 0;
    uint64_t openSerial_ = 0;
    std::vector<uint8_t> summaryBuffer_;
    // Per filling thread: its raw samples and their conversion (kept for the next
    // trace, so that their pages are not faulted in anew).
    std::vector<std::vector<uint8_t>> fillBuffers_;
};

}  // namespace kivelo
