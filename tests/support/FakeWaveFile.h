#pragma once
// In-memory waveform model for display tests: records x traces of 16-bit samples,
// counting the reads the display makes.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "wavefile/CWaveFile.h"

namespace kivelo::test {

class FakeWaveFile : public CWaveFile {
public:
    struct Trace {
        TraceInfo info;
        std::vector<std::vector<int16_t>> records;
    };
    std::vector<Trace> traces;
    std::string model = "QV7000";
    std::vector<std::string> times;  // per record; "08:00:00" beyond
    mutable int readCalls = 0;

    void AddTrace(const std::string& name, std::vector<std::vector<int16_t>> records, int kind = kKindSigned,
                  int width = 2, double resolution = 0.001, double offset = 0.0, const std::string& unit = "V") {
        Trace t;
        t.info.TraceName = name;
        t.info.channel = static_cast<int32_t>(traces.size());
        t.info.VResolution = resolution;
        t.info.VOffset = offset;
        t.info.DataWidth = width;
        t.info.DataKind = kind;
        t.info.VUnit = unit;
        for (const auto& r : records) t.info.BlockSizes.push_back(static_cast<int32_t>(r.size()));
        t.records = std::move(records);
        traces.push_back(std::move(t));
    }

    int GetBlockNumber() override { return traces.empty() ? 0 : static_cast<int>(traces[0].records.size()); }
    int GetTraceTotalNumber() override { return static_cast<int>(traces.size()); }
    uint32_t GetChannelMask() override { return (1U << traces.size()) - 1; }
    int GetTraceInfo(int trace, TraceInfo& out) override {
        if (trace < 0 || trace >= static_cast<int>(traces.size())) return 0;
        out = traces[static_cast<size_t>(trace)].info;
        return -1;
    }
    int GetHorzInfo(HorzInfo& out) override {
        out = HorzInfo{0.001, 0.0, "s"};
        return -1;
    }
    int GetDateTime(int block, std::string& date, std::string& time) override {
        if (block < 0 || block >= GetBlockNumber()) return 0;
        date = "2026/12/06";
        time = static_cast<size_t>(block) < times.size() ? times[static_cast<size_t>(block)] : "08:00:00";
        return -1;
    }
    int GetModel(std::string& out) override {
        out = model;
        return -1;
    }

protected:
    int32_t BlockSizeAt(const Place& at) const override {
        return Record(at) ? static_cast<int32_t>(Record(at)->size()) : 0;
    }
    // Min/max of whole groups of step/256 samples; step 512 copies.
    int ReadEnvelopeAt(const Place& at, int step, int64_t pos, int64_t count, std::span<uint8_t> dst, int64_t& outCount,
                       int code) const override {
        ++readCalls;
        outCount = 0;
        const auto* r = Record(at);
        if (!r || code != kWidth2) return 0;
        const int64_t end = std::min<int64_t>(pos + count, static_cast<int64_t>(r->size()));
        const int64_t g = step / 256;
        std::vector<int16_t> out;
        for (int64_t i = pos; i < end; i += (step == 512 ? 1 : g)) {
            if (step == 512) {
                out.push_back((*r)[static_cast<size_t>(i)]);
                continue;
            }
            out.push_back(*std::min_element(r->begin() + i, r->begin() + std::min(i + g, end)));
            out.push_back(*std::max_element(r->begin() + i, r->begin() + std::min(i + g, end)));
        }
        outCount = static_cast<int64_t>(std::min(out.size(), dst.size() / 2));
        std::memcpy(dst.data(), out.data(), static_cast<size_t>(outCount) * 2);
        return -1;
    }

private:
    const std::vector<int16_t>* Record(const Place& at) const {
        if (at.trace < 0 || at.trace >= static_cast<int>(traces.size())) return nullptr;
        const auto& recs = traces[static_cast<size_t>(at.trace)].records;
        return at.block >= 0 && at.block < static_cast<int>(recs.size()) ? &recs[static_cast<size_t>(at.block)]
                                                                         : nullptr;
    }
};

}  // namespace kivelo::test
