#include "app/export/CRecordExport.h"

#include <QFileInfo>
#include <QMainWindow>

#include <algorithm>
#include <cmath>

#include "app/export/CExportDialog.h"
#include "app/export/ExportChoice.h"
#include "app/export/ExportPrompts.h"
#include "app/frame/CCommandHost.h"
#include "app/ui/CUiSeam.h"
#include "display/CursorRenderer.h"
#include "display/CursorSamples.h"
#include "export/CsvWriter.h"
#include "export/ExportFormats.h"
#include "wavefile/ReadMonitor.h"
#include "wavefile/WaveDocument.h"

namespace kivelo::app {

namespace {

using namespace prompt;

constexpr int64_t kSourceCache = 65536;

}  // namespace

ExportScene CRecordExport::Scene() const {
    const DisplayModel& m = frame_.Model();
    ExportScene s;
    s.recordCount = std::max(m.document.recordCount, 1);
    s.currentRecord = m.document.currentRecord;
    s.recordLength = m.document.recordLength;
    CWaveFile* file = frame_.Document().Current();
    s.mainTraces = CsvWriter::SelectTraces(m.mainOnOff, file != nullptr ? file->GetTraceTotalNumber() : 0);
    s.zoomShown = m.shown[static_cast<std::size_t>(WindowId::Zoom)];
    s.zoomFirst = m.zoom.ZoomStart();
    s.zoomCount = m.zoom.SpanOf(m.document.recordLength);
    // The Main window's cursors as they are drawn, as whole samples.
    const CursorSamples cursors = CursorsOf(m, WindowId::Main);
    s.cursorA = cursors.first;
    s.cursorB = std::max(cursors.last, cursors.first);
    return s;
}

void CRecordExport::Run() {
    CWaveFile* open = frame_.Document().Current();
    if (open == nullptr) return;
    const ExportScene scene = Scene();
    ExportDialogInput input;
    for (int t = 0; t < open->GetTraceTotalNumber(); ++t) {
        TraceInfo info;
        open->GetTraceInfo(t, info);
        input.traceNames.push_back(info.TraceName);
    }
    input.recordCount = scene.recordCount;
    input.currentRecord = scene.currentRecord;
    input.zoomShown = scene.zoomShown;
    const std::optional<ExportChoice> choice = CExportDialog::Choose(input, &frame_.Widget());
    if (!choice) return;
    ExportRequest request;
    std::string why;
    if (!RequestOf(*choice, scene, request, why)) {
        ShowError(frame_, QString::fromStdString(why));
        return;
    }

    const ExportFormatEntry* format = ExportFormatOfPath(choice->ending);
    FileDialogRequest ask;
    ask.save = true;
    ask.filter = QStringLiteral("%1 (*%2)|*%2||").arg(Q(format->title), Q(format->ending));
    ask.defaultSuffix = Q(format->ending.substr(1));
    ask.initialName = QString::fromStdString(SuggestedName(frame_.Document().Path(), choice->ending));
    const std::optional<QString> path = frame_.Ui().FileName(&frame_.Widget(), ask);
    if (!path || !MayWrite(frame_, *path)) return;

    // A reader of its own, with a read cache, so the document's file is not disturbed.
    std::string error;
    const std::unique_ptr<CWaveFile> reader =
        OpenWaveFileAt(frame_.Document().Path(), kSourceCache, error, frame_.Document().Options());
    if (!reader) {
        ShowError(frame_, QString::fromStdString(error));
        return;
    }
    ExportProgress progress;
    request.replace = true;
    request.sourceName = QFileInfo(QString::fromStdString(frame_.Document().Path())).fileName().toStdString();
    request.progress = &progress;
    const std::string target = path->toStdString();
    Outcome<ExportCode> result{ExportCode::Cancelled, {}};
    const bool finished = frame_.RunBusy(
        Q(kConverting), [&] { result = Exporter().Write(*reader, target, request); },
        [&] {
            if (frame_.Monitor().Cancelled()) progress.cancel = true;  // the frame is closing
            const int64_t total = progress.total.load();
            return total > 0 ? static_cast<double>(progress.done.load()) / static_cast<double>(total) : -1.0;
        },
        [&] { progress.cancel = true; });

    if (!finished || result.code == ExportCode::Cancelled)
        ShowStatus(frame_, QStringLiteral("The export was cancelled; nothing was written"));
    else if (!result.Ok())
        ShowError(frame_, QStringLiteral("The file was not written.\n") + QString::fromStdString(result.message));
    frame_.Model().redraw.MarkAll(true);
}

}  // namespace kivelo::app
