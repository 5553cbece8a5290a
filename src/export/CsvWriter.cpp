#include "export/CsvWriter.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>

#include "common/StagedFile.h"
#include "export/CsvRowWriter.h"
#include "export/CsvTraceReader.h"
#include "export/HugeBuffer.h"
#include "wavefile/NumberText.h"

namespace kivelo {

namespace {

// Rows of a batch: each trace's samples of a batch are fetched with one read
// (of 64 KB for four 2-byte traces: reads that large bypass the reader's window
// cache, which would copy them once more and which two threads would take from
// each other) and laid out as rows while they are in the processor's cache; a
// batch holds at most kBatchSamples samples, a megabyte of rows for four traces.
constexpr int64_t kChunk = 100;
constexpr int64_t kBatchSamples = 131072;
constexpr int64_t kMaxBatchRows = 32768;

// Threads a write uses: the caller's, and by default a second one when a second
// processor is free. When every processor is busy a second thread gets no
// more processor time (the scheduler shares it between sessions, not threads)
// and only adds hand-overs, so the default then stays on one.
int ThreadCount(int asked) {
    if (asked > 0) return std::min(asked, 2);
    const unsigned cores = std::thread::hardware_concurrency();
    double load = 0;
    if (cores < 2) return 1;
    return ::getloadavg(&load, 1) == 1 && load > static_cast<double>(cores - 1) ? 1 : 2;
}

int64_t BatchRows(std::size_t traces) {
    int64_t rows = kBatchSamples / static_cast<int64_t>(std::max<std::size_t>(traces, 1));
    return std::clamp(rows / kChunk * kChunk, kChunk, kMaxBatchRows);
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

    StagedFile out(CsvRowWriter::kOutputBuffer);
    if (!out.Create(path, StagedFile::Existing::Replace)) return Fail(out.Error());
    out.Append(Header(file, traces, request));

    const int64_t batchRows = BatchRows(traces.size());
    int threads = ThreadCount(request.threads) > 1 && request.count > batchRows ? 2 : 1;
    CsvProgress* progress = request.progress;
    CsvRowWriter rowWriter(out, progress);
    std::atomic<bool> cancelled{false};
    std::vector<std::unique_ptr<CsvTextTable>> tables;
    try {
        for (int t : traces) tables.push_back(CsvTraceReader::TableFor(file, t));
    } catch (const std::bad_alloc&) {
        return Fail("Not enough memory for the CSV export");
    }
    // Thread `worker` of `threads` lays out and appends batches worker, worker +
    // threads, ... with reads of its own and the shared tables.
    auto work = [&](int worker) {
        try {
            // A realtime file delivers whole pairs of samples: an odd count is read
            // one longer, hence the one spare place.
            const auto capacity = static_cast<std::size_t>(std::min<int64_t>(batchRows, request.count) + 1);
            std::vector<CsvTraceReader> sources;
            sources.reserve(traces.size());
            for (std::size_t i = 0; i < traces.size(); ++i) sources.emplace_back(traces[i], tables[i].get(), capacity);
            std::vector<CsvColumn> columns;
            HugeBuffer batch(CsvRowWriter::Room(traces.size(), capacity));
            for (int64_t k = worker; k * batchRows < request.count; k += threads) {
                if (progress != nullptr && progress->Cancelled()) {
                    cancelled = true;
                    rowWriter.Stop("The CSV export was cancelled");
                    return;
                }
                const int64_t rows = std::min(batchRows, request.count - k * batchRows);
                const int64_t pos = request.first + k * batchRows;
                columns.clear();
                for (CsvTraceReader& source : sources) {
                    int64_t got = 0;
                    if (source.Fetch(file, request.block, pos, rows + rows % 2, got) != kFileOk || got < rows) {
                        rowWriter.Stop("Cannot read the samples of trace " +
                                       std::to_string(traces[columns.size()] + 1) + " from sample " +
                                       std::to_string(pos + std::max<int64_t>(got, 0)));
                        return;
                    }
                    columns.push_back(source.Column());
                }
                const char* end = CsvRowWriter::LayOut(batch.Data(), columns, static_cast<std::size_t>(rows));
                const std::string_view laidOut(batch.Data(), static_cast<std::size_t>(end - batch.Data()));
                if (!rowWriter.Append(static_cast<std::size_t>(k), laidOut, pos - request.first + rows)) return;
            }
        } catch (const std::bad_alloc&) {
            rowWriter.Stop("Not enough memory for the CSV export");
        }
    };
    {
        std::jthread second;
        if (threads == 2) {
            try {
                second = std::jthread(work, 1);
            } catch (const std::system_error&) {
                threads = 1;  // no thread to spare: this one takes every batch
            }
        }
        work(0);
    }
    if (cancelled) {
        cancelled_ = true;
        return Fail("The CSV export was cancelled");
    }
    if (const std::string error = rowWriter.Error(); !error.empty()) return Fail(error);
    if (!out.Commit()) return Fail(out.Error());
    return -1;
}

}  // namespace kivelo
