#include "app/export/CDataExport.h"

#include <QFileInfo>

#include <algorithm>
#include <array>

#include "app/export/ExportPrompts.h"
#include "app/frame/CCommandHost.h"
#include "export/RealtimeConversion.h"
#include "wavefile/CRtmFile.h"
#include "wavefile/ReadMonitor.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::app {
namespace {

using namespace prompt;

constexpr int64_t kSourceCache = 65536;
constexpr std::array<const char*, 3> kModeTitles{"(All data)", "(1/100 Compression)", "(1/1000 Compression)"};

// The source of a conversion is taken only with the lower-case ending the program writes.
bool EndsWith(const QString& path, const char* ending) {
    return path.endsWith(QLatin1String(ending), Qt::CaseSensitive);
}

// Gives a realtime file a monitor of its own for one conversion, and the
// document's monitor back afterwards.
class MonitorScope {
public:
    MonitorScope(CRtmFile& file, ReadMonitor& own, ReadMonitor* restore) : file_(file), restore_(restore) {
        file_.SetReadMonitor(&own);
    }
    ~MonitorScope() { file_.SetReadMonitor(restore_); }
    MonitorScope(const MonitorScope&) = delete;
    MonitorScope& operator=(const MonitorScope&) = delete;

private:
    CRtmFile& file_;
    ReadMonitor* restore_;
};

// Bytes a conversion writes, from the header's sizes: for the progress figure only.
int64_t ExpectedBytes(CRtmFile& file, int mode) {
    const int64_t divisor = CRtmFile::kDivisors[static_cast<size_t>(mode)];
    int64_t total = 0;
    for (int t = 0; t < file.GetTraceTotalNumber(); ++t) {
        TraceInfo info;
        if (file.GetTraceInfo(t, info) == kFileOk && !info.BlockSizes.empty())
            total += static_cast<int64_t>(info.BlockSizes[0]) / divisor * std::max(info.DataWidth, 1);
    }
    return total;
}

}  // namespace

CDataExport::CDataExport(CCommandHost& frame) : frame_(frame) {}

std::unique_ptr<CWaveFile> CDataExport::OpenReader() {
    std::string error;
    return OpenWaveFileAt(frame_.Document().Path(), kSourceCache, error, frame_.Document().Options());
}

void CDataExport::SaveAllAsCsv() {
    CWaveFile* open = frame_.Document().Current();
    if (!open) return;
    // A reader of its own, with a read cache: the open file reads without one,
    // and 100 samples at a time are slow that way. The texts are the same.
    const std::unique_ptr<CWaveFile> reader = OpenReader();
    CWaveFile& file = reader ? *reader : *open;
    const DisplayModel& m = frame_.Model();
    CsvRequest request;
    request.block = m.document.currentRecord;
    file.SetBlock(request.block);
    request.count = file.GetBlockSize();
    const OnOffTable onOff = m.mainOnOff;
    request.onOff = onOff;
    WriteCsv(file, request);
}

void CDataExport::SaveZoomAsCsv() {
    CWaveFile* open = frame_.Document().Current();
    const DisplayModel& m = frame_.Model();
    if (!open || !m.shown[static_cast<size_t>(WindowId::Zoom)]) return;
    const std::unique_ptr<CWaveFile> reader = OpenReader();
    CsvRequest request;
    request.first = static_cast<int32_t>(m.zoom.ZoomStart());
    request.count = static_cast<int32_t>(m.zoom.SpanOf(m.document.recordLength));
    request.block = m.document.currentRecord;
    const OnOffTable onOff = m.zoom.onOff;
    request.onOff = onOff;
    WriteCsv(reader ? *reader : *open, request);
}

void CDataExport::ConvertToCsv() {
    const QString title =
        QStringLiteral("Convert RTM or WVF file (*.rtm or *.wvf) to CSV file (*.csv)") + QLatin1String(kModeTitles[0]);
    const std::optional<QString> path = AskOpenName(frame_, title, kWvfFilter, "WVF");
    if (!path) {
        frame_.Model().redraw.MarkAll(true);
        return;
    }
    if (!EndsWith(*path, "wvf")) return;
    CWaveFile source;
    if (source.Open(path->toStdString(), kSourceCache) != kOpenOk) {
        ShowError(frame_, Q(FailedOpenMessage(source.GetOpenFailure().cause)));
        return;
    }
    CsvRequest request;
    source.SetBlock(0);
    request.count = source.GetBlockSize();
    WriteCsv(source, request);
}

void CDataExport::WriteCsv(CWaveFile& file, const CsvRequest& plain) {
    const std::optional<QString> path = AskSaveName(frame_, kCsvFilter, "csv");
    if (!path) {
        frame_.Model().redraw.MarkAll(true);
        return;
    }
    if (!MayWrite(frame_, *path)) return;

    CsvProgress progress;
    CsvRequest request = plain;
    request.progress = &progress;
    CsvWriter writer;
    int result = 0;
    const std::string target = path->toStdString();
    const bool finished = frame_.RunBusy(
        Q(kConverting), [&] { result = writer.Write(file, target, request); },
        [&] {
            if (frame_.Monitor().Cancelled()) progress.cancel = true;  // the frame is closing
            return request.count > 0 ? static_cast<double>(progress.rows.load()) / request.count : -1.0;
        },
        [&] { progress.cancel = true; });

    // The frame also stops reads of the open file when it is closed meanwhile.
    const bool cancelled = !finished || writer.Cancelled() || frame_.Monitor().Cancelled();
    if (cancelled) ShowStatus(frame_, QStringLiteral("The CSV export was cancelled; nothing was written"));
    else if (result != CsvWriter::kWritten)
        ShowError(frame_, QStringLiteral("The CSV file was not written.\n") + QString::fromStdString(writer.Message()));
    frame_.Model().redraw.MarkAll(true);
}

void CDataExport::ConvertToWvf(int mode) {
    const QString title = QStringLiteral("Convert RTM file (*.rtm) to WVF file (*.wvf)") +
                          QLatin1String(kModeTitles[static_cast<size_t>(mode)]);
    const std::optional<QString> source = AskOpenName(frame_, title, kRtmFilter, "RTM");
    if (!source) {
        frame_.Model().redraw.MarkAll(true);
        return;
    }
    if (!EndsWith(*source, "rtm")) return;
    CRtmFile file(source->toStdString(), kSourceCache);
    if (!file.IsOpen()) {
        ShowError(frame_, Q(FailedOpenMessage(file.GetOpenFailure().cause)));
        return;
    }
    const std::optional<QString> target = AskSaveName(frame_, kWvfFilter, "wvf");
    if (!target) return;
    Convert(file, mode, *target, false);
}

void CDataExport::SaveAsWvf(int mode) {
    if (!frame_.Document().IsRealtime()) return;
    const std::optional<QString> target = AskSaveName(frame_, kWvfFilter, "wvf");
    if (!target) {
        frame_.Model().redraw.MarkAll(true);
        return;
    }
    Convert(frame_.Document().Rtm(), mode, *target, true);
}

void CDataExport::Convert(CRtmFile& file, int mode, const QString& path, bool documentFile) {
    ReadMonitor monitor;
    // The document's file goes back to the frame's monitor afterwards; the
    // frame hands it out read-only, but the object itself is not const.
    ReadMonitor* frameMonitor = documentFile ? const_cast<ReadMonitor*>(&frame_.Monitor()) : nullptr;
    MonitorScope scope(file, monitor, frameMonitor);
    const double expected = static_cast<double>(ExpectedBytes(file, mode));
    const std::string target = path.toStdString();
    std::string message;
    int result = kConvertFailed;
    const bool finished = frame_.RunBusy(
        Q(kConverting), [&] { result = kivelo::SaveAsWvf(file, mode, target, message); },
        [&] {
            if (frame_.Monitor().Cancelled()) monitor.cancel = true;  // the frame is closing
            if (expected <= 0) return -1.0;
            return std::min(0.99, static_cast<double>(QFileInfo(path).size()) / expected);
        },
        [&] { monitor.cancel = true; });

    if (result == kConvertExists) {
        ShowError(frame_, Q(kFileExists));
    } else if (!finished || monitor.Cancelled()) {
        ShowStatus(frame_, QStringLiteral("The conversion was cancelled; nothing was written"));
    } else if (result != kConvertOk) {
        ShowError(frame_, QStringLiteral("The WVF file was not written.\n") + QString::fromStdString(message));
    }
}

}  // namespace kivelo::app
