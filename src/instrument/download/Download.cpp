#include "instrument/download/Download.h"

#include <algorithm>
#include <limits>

#include "common/TempDir.h"
#include "instrument/download/BlockReceiver.h"
#include "instrument/download/CommConnection.h"
#include "instrument/download/DownloadOutput.h"
#include "instrument/download/DownloadResult.h"
#include "instrument/download/DownloadTransfer.h"
#include "instrument/download/WriteDownloadHeader.h"
#include "instrument/drivers/DownloadPlan.h"
#include "instrument/drivers/IdentifyInstrument.h"
#include "instrument/drivers/PortText.h"
#include "port/CInstrumentPort.h"

namespace kivelo {

namespace {

bool IsSet(const std::atomic<bool>* flag) { return flag != nullptr && flag->load(); }

// A failed step is an interruption when the user asked for one.
int Failure(int result, const std::atomic<bool>* cancel) { return IsSet(cancel) ? kDownloadInterrupted : result; }

// a x b, held at the largest value instead of overflowing (the factors are
// instrument answers).
int64_t SaturatingProduct(int64_t a, int64_t b) {
    int64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return std::numeric_limits<int64_t>::max();
    return product;
}

// The plan as the transfer uses it: counts bounded by what the plan can hold
// and what a transfer does with them.
struct TransferShape {
    int traceCount = 0;
    DownloadRecords records;
    int64_t totalPoints = 0;
};

TransferShape ShapeOf(const DownloadPlan& plan) {
    TransferShape shape;
    shape.traceCount = std::clamp<int>(plan.traceCount, 0, DownloadPlan::kMaxTraces);
    shape.records.first = plan.firstRecord;
    shape.records.count = plan.recordCount;
    shape.records.points = std::max<int32_t>(plan.length, 0);
    const int64_t blocks = std::max<int64_t>(shape.records.count, 1);
    shape.totalPoints = SaturatingProduct(SaturatingProduct(shape.traceCount, blocks), shape.records.points);
    return shape;
}

}  // namespace

int QueryInstrument(CInstrumentPort& port, const CommTarget& target, DownloadPlan& plan, DownloadInfo& info,
                    const std::atomic<bool>* cancel) {
    info = DownloadInfo{};
    const TempDir scratch("kivelo-query-");
    if (!scratch.Ok()) return kDownloadFileError;

    CommConnection connection(port, target, cancel);
    const int model = connection.IsOpen() ? IdentifyInstrument(port) : ModelId::kNone;
    if (model == ModelId::kNone) return Failure(kDownloadNoAnswer, cancel);
    if (!WriteCommand(port, "STOP")) return Failure(kDownloadPortError, cancel);
    if (WriteDownloadHeader(model, scratch.File("SMP_TEMP.HDR"), port, plan, {false, cancel}) != 0)
        return Failure(kDownloadNoAnswer, cancel);

    const TransferShape shape = ShapeOf(plan);
    info.model = model;
    info.traceCount = shape.traceCount;
    info.length = static_cast<int>(shape.records.points);
    info.totalPoints = shape.totalPoints;
    return kDownloadOk;
}

int DownloadToFiles(CInstrumentPort& port, const CommTarget& target, const std::string& base, DownloadPlan& plan,
                    const DownloadControl& control) {
    std::atomic<bool>* cancel = control.cancel;
    if (cancel != nullptr) *cancel = false;

    DownloadOutput output;
    if (!output.Prepare(base)) return kDownloadFileError;

    CommConnection connection(port, target, cancel);
    const int model = connection.IsOpen() ? IdentifyInstrument(port) : ModelId::kNone;
    if (model == ModelId::kNone) return Failure(kDownloadNoAnswer, cancel);
    // The header goes into the file the output staged for it.
    if (WriteDownloadHeader(model, output.StagedHeaderPath(), port, plan, {true, cancel}) != 0)
        return Failure(kDownloadFileError, cancel);
    if (!WriteCommand(port, "STOP")) return Failure(kDownloadPortError, cancel);

    const TransferShape shape = ShapeOf(plan);
    BlockReceiver receiver(port, connection.Framing(), plan.chunk, output, cancel);
    const int64_t totalBytes = SaturatingProduct(shape.totalPoints, 2);
    int64_t done = 0;
    if (control.progress) {
        control.progress(0, totalBytes);
        receiver.SetProgress([&](int64_t bytes) {
            done += bytes;
            control.progress(done, totalBytes);
        });
    }
    for (int i = 0; i < shape.traceCount; ++i) {
        const int result = TransferTrace(model, plan.traces[static_cast<size_t>(i)] + 1, shape.records, port, receiver,
                                         control.settle);
        if (result != kDownloadOk) return result;  // output's destructor removes the unfinished files
    }
    return output.Commit() ? kDownloadOk : kDownloadFileError;
}

}  // namespace kivelo
