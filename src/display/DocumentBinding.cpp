#include "display/DocumentBinding.h"

#include "display/CursorSamples.h"
#include "display/ViewNavigation.h"
#include "wavefile/HeaderRecords.h"
#include "wavefile/ModelTraits.h"

#include <algorithm>
#include <bit>

namespace kivelo {
namespace {

// Stamps are 10-character fields; a full "yyyy/mm/dd" date keeps its last digit.
constexpr size_t kStampChars = 10;

std::string Cut(std::string text, size_t max) {
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    if (text.size() > max) text.resize(max);
    return text;
}

void ResetPlacement(DisplayTrace& t, double zoom) {
    t.verticalPosition = 0;
    t.SetVerticalZoom(zoom);
}

}  // namespace

void BindDocument(DisplayModel& model, CWaveFile& file) {
    DisplayDocument& doc = model.document;
    const uint64_t generation = doc.generation + 1;
    doc = DisplayDocument{};
    doc.generation = generation;

    file.GetModel(doc.model);
    doc.model = Cut(doc.model, 19);
    const ModelTraits& traits = TraitsOfModel(doc.model);
    doc.bitOrderModel = traits.endOfAcquisition;
    doc.byteWideLogic = traits.byteWideLogic;
    doc.byteWideData = traits.byteWideData;

    file.SetBlock(0);
    file.SetTrace(0);
    doc.recordLength = std::max<int64_t>(file.GetBlockSize(), 0);
    doc.recordCount = std::clamp(file.GetBlockNumber(), 0, DisplayDocument::kMaxRecords);
    doc.dateTexts.assign(static_cast<size_t>(doc.recordCount), std::string());
    doc.timeTexts.assign(static_cast<size_t>(doc.recordCount), std::string());
    for (int i = 0; i < doc.recordCount; ++i) {
        std::string date, time;
        if (file.GetDateTime(i, date, time) == kFileOk) {
            doc.dateTexts[static_cast<size_t>(i)] = Cut(date, kStampChars);
            doc.timeTexts[static_cast<size_t>(i)] = Cut(time, kStampChars);
        }
    }
    doc.overlayMarks.fill(0);
    doc.currentRecord = 0;
    file.GetHorzInfo(doc.horz);
    file.SetBlock(0);

    model.cursors.mesTrace = kNoTrace;
    model.cursors.refTrace = kNoTrace;
    model.selectedTrace = kNoTrace;

    const int present = std::min({std::popcount(file.GetChannelMask()), file.GetTraceTotalNumber(), kTraceCount});
    const double zoom = doc.DefaultVerticalZoom();
    model.xy.xTraceList.clear();
    for (int i = 0; i < kTraceCount; ++i) {
        const size_t s = static_cast<size_t>(i);
        TraceInfo info;
        const bool isPresent = i < present && file.GetTraceInfo(i, info) == kFileOk;
        if (isPresent) {
            double gain = info.VResolution;
            if (info.DataWidth == 1) gain /= 256.0;
            double offset = info.VOffset;
            if (info.DataKind == kKindUnsigned) offset += gain * 32768.0;
            const uint8_t bytes = static_cast<uint8_t>(info.DataWidth == 1 ? 1 : 2);
            for (TraceSet* set : {&model.mainSet, &model.zoomSet, &model.historySet}) {
                DisplayTrace& t = (*set)[i];
                t.gain = gain;
                t.offset = offset;
                t.SetName(info.TraceName);
                t.SetUnit(info.VUnit);
                t.logic = info.DataKind == kKindBit ? 1 : 0;
                t.bitCount = (info.DataWidth == 1 || doc.byteWideLogic) ? 8 : 16;
                t.bitOrder = doc.bitOrderModel ? 1 : 0;
                t.bytesPerSample = bytes;
                t.isSigned = info.DataKind == kKindUnsigned ? 0 : 1;
            }
            model.mainSet[i].positionSlot = static_cast<uint8_t>(i);
            model.zoomSet[i].positionSlot = static_cast<uint8_t>(i);
            model.xy.xTraceList.push_back(model.mainSet[i].name);
            model.mainOnOff[s] = kTraceOn;
            model.zoom.onOff[s] = kTraceOn;
        } else {
            model.mainOnOff[s] = kTraceAbsent;
            model.zoom.onOff[s] = kTraceAbsent;
        }
        for (TraceSet* set : {&model.mainSet, &model.zoomSet, &model.historySet}) ResetPlacement((*set)[i], zoom);
    }
    model.InvalidatePoints();

    model.zoom.FillZoomRatios(doc.recordLength);
    model.zoomHistory.Clear();
    model.history.SetFirstShown(0, doc.recordCount);
    model.xy.xTrace = 0;
    model.mainSet.SetXTrace(0);
    model.zoomSet.SetXTrace(0);
    doc.loaded = true;
}

void UnbindDocument(DisplayModel& model) {
    // The cursors stay at their columns for the next document.
    if (model.document.loaded) {
        for (const WindowId w : {WindowId::Main, WindowId::Zoom}) {
            int64_t span = 0, first = 0;
            WindowSpan(model, w, span, first);
            const ViewArea& a = model.Area(w);
            const size_t slot = CursorState::Slot(w);
            model.cursors.mesColumn[slot] = ColumnOfSample(a, span, first, ShownCursorSample(model, w, true));
            model.cursors.refColumn[slot] = ColumnOfSample(a, span, first, ShownCursorSample(model, w, false));
        }
    }
    const uint64_t generation = model.document.generation + 1;
    model.document = DisplayDocument{};
    model.document.generation = generation;
    model.InvalidatePoints();
}

}  // namespace kivelo
