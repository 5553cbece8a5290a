#pragma once
// A header source answering from plain fields, for the header writer's tests.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "CInstrument.h"
#include "HeaderWriterOutput.h"

namespace kivelo::test {

class FakeSource : public CInstrument {
public:
    int traceCount = 0;
    std::vector<uint16_t> channels;
    int step = 1;
    int dataFormat = 1;
    std::map<int, int> first;   // by channel; default 1
    std::map<int, int> count;   // by channel; default 1
    std::set<PerBlockKey> perBlock;
    std::map<int, std::string> names;     // by channel; default "Trace<channel>"
    std::map<int, std::string> pNames;    // by channel; default empty
    std::map<int, std::string> dcOffset;  // by channel; default empty
    std::string modelName = "QV4300";
    std::string form;
    std::string function;
    // Called with the operation name before each answer; a non -1 result
    // is returned by that operation.
    std::function<int(const std::string&)> gate;

    explicit FakeSource(std::string path, HeaderSwitches switches = {})
        : CInstrument(switches) {
        SetHeaderPath(std::move(path));
    }

    int GetDataFormat(int& v) override { return Answer("DataFormat", v, dataFormat); }
    int GetBlockStep(int& v) override { return Answer("BlockStep", v, step); }
    int GetTraceTotalNumber(int& v) override { return Answer("TraceTotalNumber", v, traceCount); }
    int GetTraceList(std::vector<uint16_t>& v) override { return Answer("TraceList", v, channels); }
    int GetFirstBlockNo(int& v, int t) override { return Answer("FirstBlockNo", v, Or(first, t, 1)); }
    int GetBlockCount(int& v, int t) override { return Answer("BlockCount", v, Or(count, t, 1)); }
    int GetBlockSize(int& v, int b, int t) override { return Answer("BlockSize", v, 1000 * t + b); }
    int GetModelName(std::string& v) override { return Answer("ModelName", v, modelName); }
    int GetTraceName(std::string& v, int t) override {
        return Answer("TraceName", v, names.contains(t) ? names[t] : "Trace" + std::to_string(t));
    }
    int GetPTraceName(std::string& v, int t) override {
        return Answer("PTraceName", v, pNames.contains(t) ? pNames[t] : std::string());
    }
    int GetDCOffset(std::string& v, int, int t) override {
        return Answer("DCOffset", v, dcOffset.contains(t) ? dcOffset[t] : std::string());
    }
    int GetVResolution(double& v, int b, int t) override {
        return Answer("VResolution", v, 0.001 * (t + 1) + b * 1e-6);
    }
    int GetDate(std::string& v, int b, int) override {
        return Answer("Date", v, "2026/12/" + std::to_string(10 + b));
    }
    int GetForm(std::string& v) override { return Answer("Form", v, form); }
    int GetFunction(std::string& v) override { return Answer("Function", v, function); }
    int IsPerBlock(PerBlockKey key) const override { return perBlock.contains(key) ? 1 : 0; }

private:
    static int Or(const std::map<int, int>& m, int key, int fallback) {
        const auto it = m.find(key);
        return it == m.end() ? fallback : it->second;
    }
    template <class T, class U>
    int Answer(const std::string& op, T& out, const U& value) {
        if (gate) {
            if (const int r = gate(op); r != -1) return r;
        }
        out = value;
        return -1;
    }
};

// Collects the header in memory; can fail or cancel after a number of writes.
class MemoryOutput : public CHeaderOutput {
public:
    std::string path;
    std::string bytes;
    int writesBeforeFailure = -1;
    WriteResult failureKind = WriteResult::Failed;
    bool open = false;
    bool refuseOpen = false;
    int closes = 0;

    bool Open(const std::string& p) override {
        path = p;
        open = !refuseOpen;
        return open;
    }
    WriteResult Write(std::string_view b) override {
        if (writesBeforeFailure == 0) return failureKind;
        if (writesBeforeFailure > 0) --writesBeforeFailure;
        bytes += b;
        return WriteResult::Ok;
    }
    bool Close() override {
        ++closes;
        open = false;
        return true;
    }
};

}  // namespace kivelo::test
