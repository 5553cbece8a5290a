#pragma once
// An open waveform file as traces x blocks of samples with per-trace scaling.
// Every read takes the record and trace it reads; the reader also keeps a current
// block and trace (SetBlock / SetTrace) for the reads that take neither.
// Results: -1 success, 0 failure (Open has numbered failures, see OpenResult).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "common/FileMapping.h"
#include "wavefile/CCachedFormatter.h"
#include "wavefile/CHdrFile.h"
#include "wavefile/EnvelopeSummary.h"
#include "wavefile/FileHandle.h"
#include "wavefile/HeaderRecords.h"
#include "wavefile/OpenReport.h"
#include "wavefile/ScratchPool.h"
#include "wavefile/SummaryFeed.h"
#include "wavefile/SummaryKey.h"
#include "wavefile/SummaryStore.h"
#include "wavefile/WaveRecords.h"

namespace kivelo {

class CWaveFile {
public:
    CWaveFile();
    // Opens at once; IsOpen() tells success.
    CWaveFile(const std::string& path, int64_t cacheCapacity);
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    virtual uint32_t MapChannel(int trace, const std::string& name, int32_t& channel);
    virtual ~CWaveFile();
    virtual int Open(const std::string& path, int64_t cacheCapacity);
    virtual int Close();
    virtual int GetBlockNumber();
    virtual int GetTraceTotalNumber();
    virtual uint32_t GetChannelMask();
    virtual int GetTraceInfo(int trace, TraceInfo& out);
    virtual int GetHorzInfo(HorzInfo& out);
    virtual int GetDateTime(int block, std::string& date, std::string& time);
    virtual int GetModel(std::string& model);

    // Reads that take their record and trace: they change nothing a caller can
    // see, and several threads may make them at once on one open reader (not
    // together with Open, Close or the setters).
    int32_t GetBlockSize(int block, int trace) const;
    int ReadData(int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                 int code) const;
    int ReadText(int block, int trace, int64_t pos, int64_t count, std::span<ValueText> texts, int64_t& outCount) const;
    int ReadValues(int block, int trace, int64_t pos, int64_t count, std::span<double> values, int64_t& outCount) const;
    int ReadEnvelopeRatio(int ratio, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                          int64_t& outCount, int code) const;
    int ReadEnvelope(int stepCode, int block, int trace, int64_t pos, int64_t count, std::span<uint8_t> dst,
                     int64_t& outCount, int code) const;
    // Asks the system to start reading samples pos .. pos + count - 1 of the
    // block's trace into its cache, for reads that follow soon (which the system
    // does not foresee when they go backward); nothing for samples not stored
    // one after the other.
    void WillRead(int block, int trace, int64_t pos, int64_t count) const;
    // The data file seen in place, for MappedSamples; null when it cannot be
    // mapped or would fill more than half the machine's memory (it is then read
    // piece by piece).
    std::unique_ptr<FileMapping> MapData() const;
    // Samples pos .. pos + count - 1 of the block's trace, seen in `mapping` (made
    // by MapData), when they are 2-byte samples in this machine's byte order, one
    // after the other inside it: what ReadData would deliver of them, counted as
    // read. Empty otherwise, or once the read monitor is cancelled: read them.
    // What is seen is the file only while the mapping has not Faulted().
    std::span<const int16_t> MappedSamples(const FileMapping& mapping, int block, int trace, int64_t pos,
                                           int64_t count) const;
    // The caller has done with these samples in `mapping`: their pages are let go
    // of now, on the caller's thread, rather than all at once when the mapping ends.
    void DoneWithMapped(const FileMapping& mapping, int block, int trace, int64_t pos, int64_t count) const;
    // A summary of the block's trace made from the caller's own reads of all its
    // samples (see SummaryFeed), to be kept as an envelope read passing over the
    // record would keep it; null when one is kept already or none would be made
    // (no store, samples not 2-byte signed or not stored one after
    // the other, over the budget). `threads`: those that will hand samples over.
    std::unique_ptr<SummaryFeed> StartSummaryFeed(int block, int trace, int threads) const;

    // The current block and trace, and the reads of them: the same reads at the
    // pair SetBlock and SetTrace chose.
    virtual void SetBlock(int block);
    virtual void SetTrace(int trace);
    int32_t GetBlockSize() const;
    int ReadRaw(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) const;
    int ReadCached(int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead) const;
    int ReadData(int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount, int code) const;
    int ReadText(int64_t pos, int64_t count, std::span<ValueText> texts, int64_t& outCount) const;

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
    int64_t SamplesPresent(int block, int trace) const;
    // Byte-order conversion of 2- and 4-byte samples (on after Open).
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
    // Threads that work through many samples may use: those the summaries are made on.
    int WorkThreads() const { return summaries_ ? summaries_->Threads() : 1; }
    // Envelope reads expected next, of any record (say those that the windows
    // showing a record make): a summary built meanwhile keeps what they need of
    // the samples where their groups start and end inside a block, so that they
    // read nothing again. Kept until the next call.
    void ExpectEnvelopeReads(std::span<const EnvelopeRead> reads);
    // Unique to each successful open in this process (0 while closed): results kept
    // about the file's samples stay valid while it is unchanged.
    uint64_t OpenSerial() const { return open_ ? openSerial_ : 0; }

protected:
    // What a read reads: a record of a trace, for realtime files in a data region,
    // and whether 2- and 4-byte samples keep the file's byte order.
    struct Place {
        int block = 0;
        int trace = 0;
        int region = 0;
        bool asStored = false;
    };
    // The current block, trace and region.
    Place Here() const { return {currentBlock_, currentTrace_, currentRegion_, false}; }
    // The place that the reads taking a block and a trace read.
    virtual Place PlaceOf(int block, int trace) const { return {block, trace, 0, false}; }

    // The reads behind the public ones; the derived readers replace them.
    virtual int32_t BlockSizeAt(const Place& at) const;
    virtual int ReadRawAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                          int64_t& bytesRead) const;
    virtual int ReadCachedAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer,
                             int64_t& bytesRead) const;
    // src and dst may be the same memory when the output size equals the width.
    virtual void ConvertAt(const Place& at, int code, int width, std::span<uint8_t> dst, std::span<const uint8_t> src,
                           int64_t count) const;
    virtual int ReadDataAt(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                           int code) const;
    virtual int ReadTextAt(const Place& at, int64_t pos, int64_t count, std::span<ValueText> texts,
                           int64_t& outCount) const;
    virtual int ReadEnvelopeAt(const Place& at, int stepCode, int64_t pos, int64_t count, std::span<uint8_t> dst,
                               int64_t& outCount, int code) const;
    virtual int ReadEnvelopeRatioAt(const Place& at, int ratio, int64_t pos, int64_t count, std::span<uint8_t> dst,
                                    int64_t& outCount, int code) const;
    int ReadValuesAt(const Place& at, int64_t pos, int64_t count, std::span<double> values, int64_t& outCount) const;
    int CheckCacheAt(const Place& at, int64_t pos, int64_t count) const;

    // Output sample size in bytes for a width code and a native width (0 for a bad code).
    static int OutputSize(int code, int nativeWidth);
    // True when the header's Endian is "Ltl".
    bool FileIsLittleEndian() const;
    // True when 2- and 4-byte samples read at the place must be byte-reversed for this machine.
    bool NeedsSwap(const Place& at) const;
    // Open, trace in range, readable data width and a non-empty block.
    bool Readable(const Place& at) const;
    // Data width of a trace (0 when out of range).
    int WidthOf(int trace) const;
    // Blocks of the first group.
    int BlocksInFile() const { return groups_.empty() ? 0 : groups_.front().BlockNumber; }
    // File offset of byte p of the place's data ("Trace" and "Block" layouts);
    // -1 when it cannot be located.
    int64_t TraceByteOffset(const Place& at, int64_t p) const;
    // The window-cached read shared with the derived readers: the window is cut to
    // lastByte (the last byte of the data the window may hold); requests reaching
    // past it are read directly.
    int CachedWindowRead(const Place& at, int64_t pos, int64_t count, std::span<uint8_t> buffer, int64_t& bytesRead,
                         int64_t lastByte) const;
    // Drops everything Open built; the object is closed afterwards.
    void ResetState();
    // Notes why Open failed; returns code.
    int OpenFailed(int code, std::string cause);
    // Compares the data file's length with what the header describes and notes
    // the traces it holds only in part; false when it holds no sample at all.
    virtual bool CheckDataLength();

    // Where ReadData(pos, count) takes its samples from in the place's sample
    // stream, were the data not to end: the first one's index and how many.
    virtual void StreamSpan(const Place& at, int64_t pos, int64_t count, int64_t& first, int64_t& delivered) const;
    // Fills the layout fields of the key (from index 0, kLayoutFields - 2 at most)
    // with what tells the place's sample stream apart; false when it has none to
    // summarise.
    virtual bool DescribeStream(const Place& at, SummaryKey& key) const;
    // The place's samples lie one after the other, as stored, from this file offset
    // (reads ahead of the consumer may then fetch them).
    virtual bool ContiguousRecord(const Place& at, int64_t& offset) const;
    // An expected envelope read as this reader's plain ReadEnvelope reads the
    // place's stream; false when it reads another one.
    virtual bool ExpectedHere(const Place& at, EnvelopeRead& read) const { return true; }
    // Notes the state of the data file just opened, for the summaries' keys.
    void StampDataFile();
    // Key of the place's stream kept at this sample size and comparison; false
    // without a store or a stream.
    bool SummaryKeyFor(const Place& at, int storedBytes, EnvelopeSummary::Compare compare, SummaryKey& key) const;
    static EnvelopeSummary::Compare CompareOf(int kind);
    // The envelope reads expected (a copy: another thread may set them meanwhile).
    std::vector<EnvelopeRead> ExpectedReads() const;

    SummaryStore* summaries_ = nullptr;

    OpenFailure failure_;
    std::string dataPath_;
    std::vector<ShortTrace> shortTraces_;
    int64_t describedBytes_ = 0;
    int64_t dataFileBytes_ = 0;

    bool open_ = false;
    std::unique_ptr<CHdrFile> header_;
    FileHandle data_;
    int currentBlock_ = 0;
    int currentTrace_ = 0;
    uint32_t channelMask_ = 0;
    HdrPublicInfo public_;
    std::vector<HdrGroupInfo> groups_;
    std::vector<TraceInfo> traces_;
    HorzInfo horz_;
    HdrModelInfo modelInfo_;
    bool swapEnabled_ = true;
    int currentRegion_ = 0;  // data region of realtime files; 0 otherwise
    // Samples of all traces in the blocks before block b ("Block" layout), b = 0 .. B.
    std::vector<int64_t> blockPrefix_;
    // Work buffers of the reads, lent to one read at a time.
    mutable ScratchPool<uint8_t> scratch_;

private:
    // How an envelope read cuts its request: chunks reduced by themselves, several
    // of them read at once.
    struct EnvelopeShape {
        int64_t chunk = 0;
        int64_t perRead = 0;
    };
    // A trace's text formatter with its table, used by one read at a time.
    struct TextFormatter {
        std::mutex lock;
        CCachedFormatter formatter;
    };
    static EnvelopeShape ShapeOf(int stepCode, int64_t count, int outSize);
    // The trace's text formatter, made on first use; null for no trace of the file.
    std::shared_ptr<TextFormatter> FormatterOf(int trace) const;
    // The envelope read from the samples; each batch read also goes to `builder`
    // when one is given. `running` ends as the read position after the last batch
    // and `ended` tells whether the data ended.
    int StreamEnvelope(const Place& at, int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                       std::span<uint8_t> dst, int64_t& outCount, int code, EnvelopeSummary* builder, int64_t& running,
                       bool& ended) const;
    // The chunks the read would reduce, in stream positions, with the stream range
    // its batches read; false when it reads nothing.
    bool PlanEnvelope(const Place& at, int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                      int64_t dstCapacity, std::vector<StreamChunk>& chunks, int64_t& first, int64_t& end) const;
    // The samples a summary of the whole record at `at` holds, `stored` bytes a
    // sample: 0 when its samples do not start at the record's beginning or the
    // store's budget has no room for it.
    int64_t RecordSummarySamples(const Place& at, int stored) const;
    // Answers the read from a summary, or builds one while reading; false when the
    // read is to be streamed as it is.
    bool SummaryEnvelope(const Place& at, int stepCode, const EnvelopeShape& shape, int64_t pos, int64_t count,
                         std::span<uint8_t> dst, int64_t& outCount, int code, int& result) const;
    // The read answered from the summary kept under key; false when it cannot be.
    bool ReduceFromSummary(const Place& at, SummaryStore::Lease& summary, const SummaryKey& key,
                           std::span<const StreamChunk> chunks, int stepCode, std::span<uint8_t> dst, int64_t& outCount,
                           int code, int& result) const;
    // Summarises the `target` samples of a contiguous record stored from `offset` on
    // every processor at once, each piece by the thread that read it, so that both
    // copying the samples from the page cache and summarising them are shared out.
    // -1; 0 when a read failed or was cancelled; kFillEndedEarly.
    static constexpr int kFillEndedEarly = 1;
    int FillSummary(const Place& at, EnvelopeSummary& summary, int64_t offset, int64_t target) const;
    // Reads the stream on from read position `from` into the summary until it holds
    // `target` samples or the data end.
    int FeedSummary(const Place& at, EnvelopeSummary& summary, int64_t from, int64_t target) const;
    // Appends output values of a read to the summary.
    void AppendToSummary(EnvelopeSummary& summary, std::span<const uint8_t> values, int outSize) const;
    // MappedSamples without counting them as read.
    std::span<const int16_t> SeenInPlace(const FileMapping& mapping, const Place& at, int64_t pos, int64_t count) const;
    // The width code that reads samples at the summary's size.
    int StoredCode(const Place& at, int storedBytes) const;
    // Gives the summary the cut positions and blocks of the expected reads in the
    // place's stream, and of these chunks at this step code.
    void WantExpectedCuts(const Place& at, EnvelopeSummary& summary, std::span<const StreamChunk> chunks = {},
                          int stepCode = 0, int64_t capacity = 0) const;

    // End (exclusive) of the bytes block b of trace t would occupy; -1 when unknown.
    int64_t BlockEndByte(int block, int trace) const;

    std::unique_ptr<SummaryStore> ownSummaries_;
    // Window caches, one per trace, each with its lock; a read that finds its
    // trace's cache in use reads past it.
    mutable std::vector<TraceCache> caches_;
    std::unique_ptr<std::mutex[]> cacheLocks_;
    // One text cache per trace that has been read as text: a trace's scaling never
    // changes while the file is open, so its texts stay valid when readers
    // alternate between traces (CSV export switches trace every 100 samples).
    // At most kMaxFormatters are kept; beyond that the others are dropped.
    static constexpr int kMaxFormatters = 32;
    mutable std::mutex formattersLock_;
    mutable std::vector<std::shared_ptr<TextFormatter>> formatters_;
    mutable int formatterCount_ = 0;
    mutable std::mutex expectedLock_;
    std::vector<EnvelopeRead> expected_;

    FileStamp stamp_;
    bool stamped_ = false;
    int64_t openedNs_ = 0;
    mutable std::atomic<uint64_t> session_{0};
    uint64_t openSerial_ = 0;
};

}  // namespace kivelo
