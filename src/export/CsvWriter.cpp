#include "export/CsvWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "common/StagedFile.h"
#include "export/CsvRowWriter.h"
#include "export/CsvTextTable.h"
#include "wavefile/CFldFile.h"
#include "wavefile/NumberText.h"

namespace kivelo {

namespace {

// Rows of a pass: each trace's samples of a pass are fetched with one read and
// laid out as rows while they are still in the processor's cache. A pass holds
// at most kPassTexts samples; only the laid-out rows go to a second thread.
constexpr int64_t kChunk = 100;
constexpr int64_t kPassTexts = 16384;
constexpr int64_t kMaxPassRows = 4096;

// Threads a write uses: the caller's, and by default one writing the rows when a
// second processor is free. When every processor is busy a second thread gets no
// more processor time (the scheduler shares it between sessions, not threads)
// and only adds hand-overs, so the default then stays on one.
int ThreadCount(int asked) {
    if (asked > 0) return std::min(asked, 2);
    const unsigned cores = std::thread::hardware_concurrency();
    double load = 0;
    if (cores < 2) return 1;
    return ::getloadavg(&load, 1) == 1 && load > static_cast<double>(cores - 1) ? 1 : 2;
}

int64_t PassRows(std::size_t traces) {
    int64_t rows = kPassTexts / static_cast<int64_t>(std::max<std::size_t>(traces, 1));
    return std::clamp(rows / kChunk * kChunk, kChunk, kMaxPassRows);
}

// A text between double quotes; a quote inside is doubled so the field stays one field.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string Header(CWaveFile& file, const std::vector<int>& traces, const CsvRequest& request) {
    std::string model;
    file.GetModel(model);
    HorzInfo horz;
    file.GetHorzInfo(horz);
    std::string date, time;
    if (file.GetDateTime(request.block, date, time) != kFileOk) {
        date.clear();
        time.clear();
    }

    std::string names = "\"TraceName\"";
    std::string units = "\"VUnit\"";
    for (int t : traces) {
        TraceInfo info;
        file.GetTraceInfo(t, info);
        names += "," + Quoted(info.TraceName);
        units += "," + Quoted(info.VUnit);
    }
    double offset = horz.HOffset + static_cast<double>(request.first) * horz.HResolution;

    std::string h;
    h += "\"Model\"," + Quoted(model) + "\n";
    h += "\"BlockNumber\"," + std::to_string(int64_t{request.block} + 1) + "\n";
    h += names + "\n";
    h += "\"BlockSize\"," + std::to_string(request.count) + "\n";
    h += units + "\n";
    h += "\"HResolution\"," + FormatCrt("%G", horz.HResolution) + "\n";
    h += "\"HOffset\"," + FormatCrt("%G", offset) + "\n";
    h += "\"HUnit\"," + Quoted(horz.HUnit) + "\n";
    h += "\"Date\"," + Quoted(date) + "\n";
    h += "\"Time\"," + Quoted(time) + "\n\n";
    return h;
}

// One written trace's texts, a pass at a time. Traces of 1- and 2-byte samples are
// read as samples and their texts taken from a table by sample value; the others
// (4-byte samples, and floating files, whose texts are their floats and not
// their display samples) are read as texts.
class TraceColumn {
public:
    TraceColumn(CWaveFile& file, int trace, std::size_t capacity) : trace_(trace), index_(capacity) {
        TraceInfo info;
        file.GetTraceInfo(trace, info);
        width_ = info.DataWidth;
        if ((width_ == 1 || width_ == 2) && dynamic_cast<const CFldFile*>(&file) == nullptr) {
            const bool isUnsigned = info.DataKind == kKindBit || info.DataKind == kKindUnsigned;
            table_ = std::make_unique<CsvTextTable>(info.VResolution, info.VOffset, isUnsigned, width_);
            if (width_ == 1) bytes_.resize(capacity);
            column_ = {index_.data(), table_->Slots(), table_->Lengths(), table_.get()};
            return;
        }
        texts_.resize(capacity);
        slots_.resize(capacity * CsvTextTable::kSlot);
        lengths_.resize(capacity);
        for (std::size_t i = 0; i < capacity; ++i) index_[i] = static_cast<uint16_t>(i);
        column_ = {index_.data(), slots_.data(), lengths_.data(), nullptr};
    }

    // Reads up to `count` texts from sample pos of the block; got: how many came.
    int Fetch(const CWaveFile& file, int block, int64_t pos, int64_t count, int64_t& got) {
        const auto n = static_cast<std::size_t>(count);
        if (table_ && width_ == 2) {
            // The samples are the slot numbers.
            const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(index_.data()), 2 * n);
            return file.ReadData(block, trace_, pos, count, bytes, got, kWidthNative);
        }
        if (table_) {
            const int result = file.ReadData(block, trace_, pos, count, std::span(bytes_).first(n), got, kWidthNative);
            std::copy_n(bytes_.begin(), std::max<int64_t>(got, 0), index_.begin());
            return result;
        }
        const int result = file.ReadText(block, trace_, pos, count, std::span(texts_).first(n), got);
        for (std::size_t i = 0; i < static_cast<std::size_t>(std::max<int64_t>(got, 0)); ++i) {
            char* slot = slots_.data() + i * CsvTextTable::kSlot;
            const std::size_t length = ::strnlen(texts_[i].data(), CsvTextTable::kSlot - 1);
            std::memcpy(slot, texts_[i].data(), length);
            slot[length] = ',';
            lengths_[i] = static_cast<uint8_t>(length + 1);
        }
        return result;
    }

    const CsvColumn& Column() const { return column_; }

private:
    int trace_;
    int width_ = 0;
    std::unique_ptr<CsvTextTable> table_;
    std::vector<uint16_t> index_;
    std::vector<uint8_t> bytes_;
    std::vector<ValueText> texts_;
    std::vector<char> slots_;
    std::vector<uint8_t> lengths_;
    CsvColumn column_;
};

}  // namespace

std::vector<int> CsvWriter::SelectTraces(std::span<const uint8_t> onOff, int traceTotal) {
    std::vector<int> traces;
    if (onOff.empty()) {
        for (int t = 0; t < traceTotal; ++t) traces.push_back(t);
        return traces;
    }
    std::size_t looked = std::min<std::size_t>(onOff.size(), static_cast<std::size_t>(std::max(traceTotal, 0)));
    int k = 0;
    for (std::size_t i = 0; i < looked; ++i) {
        if (onOff[i] != 0 && onOff[i] != 1) continue;
        if (onOff[i] == 1) traces.push_back(k);
        ++k;
    }
    return traces;
}

int CsvWriter::Fail(std::string message) {
    message_ = std::move(message);
    return 0;
}

bool CsvWriter::CheckRange(CWaveFile& file, const std::vector<int>& traces, const CsvRequest& request) {
    if (request.first < 0 || request.count < 0) {
        Fail("Invalid sample range: first " + std::to_string(request.first) + ", count " +
             std::to_string(request.count));
        return false;
    }
    if (request.block < 0 || request.block >= file.GetBlockNumber()) {
        Fail("The file has no block " + std::to_string(int64_t{request.block} + 1));
        return false;
    }
    if (request.count == 0) return true;
    // Reads are not cut at the block's end: past it they would deliver other data.
    int64_t end = int64_t{request.first} + request.count;
    for (int t : traces) {
        int64_t size = file.GetBlockSize(request.block, t);
        if (end > size) {
            Fail("Samples " + std::to_string(request.first) + " to " + std::to_string(end - 1) + " are beyond the " +
                 std::to_string(size) + " samples of trace " + std::to_string(t + 1));
            return false;
        }
        // Samples the data file lacks are never written as values.
        const int64_t present = file.SamplesPresent(request.block, t);
        if (end > present) {
            Fail("W" + std::to_string(t + 1) + " has only " + std::to_string(present) + " of its " +
                 std::to_string(size) + " samples of block " + std::to_string(request.block) +
                 " in the data file (it is shorter than its header says); samples " + std::to_string(request.first) +
                 " to " + std::to_string(end - 1) + " cannot be written");
            return false;
        }
    }
    return true;
}

int CsvWriter::Write(CWaveFile& file, const std::string& path, const CsvRequest& request) {
    message_.clear();
    cancelled_ = false;
    if (!file.IsOpen()) return Fail("No waveform file is open");
    std::vector<int> traces = SelectTraces(request.onOff, file.GetTraceTotalNumber());
    if (!CheckRange(file, traces, request)) return 0;

    StagedFile out(CsvRowWriter::kWriteBytes);
    if (!out.Create(path, StagedFile::Existing::Replace)) return Fail(out.Error());
    out.Append(Header(file, traces, request));

    const int64_t passRows = PassRows(traces.size());
    const bool threaded = ThreadCount(request.threads) > 1 && request.count > passRows;
    CsvProgress* progress = request.progress;
    auto stopped = [&] {
        if (progress == nullptr || !progress->Cancelled()) return false;
        cancelled_ = true;
        Fail("The CSV export was cancelled");
        return true;
    };
    // A realtime file delivers whole pairs of samples: an odd count is read one
    // longer, hence the one spare place.
    const auto capacity = static_cast<std::size_t>(std::min<int64_t>(passRows, request.count) + 1);
    std::vector<TraceColumn> sources;
    std::vector<CsvColumn> columns;
    sources.reserve(traces.size());
    for (int t : traces) sources.emplace_back(file, t, capacity);
    CsvRowWriter rowWriter(out, threaded, progress);
    int64_t done = 0;
    while (done < request.count) {
        const int64_t rows = std::min(passRows, request.count - done);
        const int64_t pos = request.first + done;
        columns.clear();
        for (TraceColumn& source : sources) {
            if (stopped()) return 0;
            int64_t got = 0;
            if (source.Fetch(file, request.block, pos, rows + rows % 2, got) != kFileOk || got < rows)
                return Fail("Cannot read the samples of trace " + std::to_string(traces[columns.size()] + 1) +
                            " from sample " + std::to_string(pos + std::max<int64_t>(got, 0)));
            columns.push_back(source.Column());
        }
        done += rows;
        if (!rowWriter.Submit(columns, static_cast<std::size_t>(rows), done)) return Fail(rowWriter.Error());
    }
    if (!rowWriter.Finish()) return Fail(rowWriter.Error());
    if (stopped()) return 0;
    if (!out.Commit()) return Fail(out.Error());
    return -1;
}

}  // namespace kivelo
