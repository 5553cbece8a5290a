#include "app/frame/CFramePanels.h"

#include <algorithm>

#include "app/dialogs/CAboutBox.h"
#include "app/dialogs/CCursorTimeDialog.h"
#include "app/dialogs/CScaleDialog.h"
#include "app/dialogs/CTraceSelectDialog.h"
#include "app/dialogs/CZoomPositionDialog.h"
#include "app/frame/CMainFrame.h"
#include "app/panels/CHistoryPanel.h"
#include "app/panels/CToolbarPanel.h"
#include "app/panels/CTracePanel.h"
#include "app/panels/CXyPanel.h"
#include "app/panels/CZoomPanel.h"
#include "display/CursorSamples.h"
#include "display/MainWindowRenderer.h"

namespace kivelo::app {

struct CFramePanels::Parts {
    CToolbarPanel* toolbar = nullptr;
    CTracePanel* main = nullptr;
    CZoomPanel* zoom = nullptr;
    CHistoryPanel* history = nullptr;
    CXyPanel* xy = nullptr;
    CScaleDialog* scale = nullptr;
    CZoomPositionDialog* zoomPosition = nullptr;
    CCursorTimeDialog* cursorTime = nullptr;
};

CFramePanels::CFramePanels(CMainFrame& frame) : frame_(frame), parts_(std::make_unique<Parts>()) {
    Parts& p = *parts_;
    CWindowArea& area = frame.Area();
    p.toolbar = new CToolbarPanel(frame, &frame);
    // Wide enough for every control at this font (the nominal 478 pixels leave out light mode and snapshot).
    const int toolbarWidth = std::max(CToolbarPanel::kWidth, 572);
    p.toolbar->setFixedSize(toolbarWidth, CToolbarPanel::kHeight);
    p.toolbar->Place(toolbarWidth, CToolbarPanel::kHeight);
    p.main = new CTracePanel(frame, WindowId::Main, &area.Window(WindowId::Main));
    p.zoom = new CZoomPanel(frame, &area.Window(WindowId::Zoom));
    p.history = new CHistoryPanel(frame, &area.Window(WindowId::History));
    p.xy = new CXyPanel(frame, &area.Window(WindowId::Xy));

    auto place = [this](WindowId id) {
        return [this, id](int w, int h) {
            Parts& q = *parts_;
            switch (id) {
            case WindowId::Main: q.main->Place(w, h); break;
            case WindowId::Zoom: q.zoom->Place(w, h); break;
            case WindowId::History: q.history->Place(w, h); break;
            case WindowId::Xy: q.xy->Place(w, h); break;
            }
        };
    };
    for (int i = 0; i < kWindowCount; ++i) {
        const WindowId id = static_cast<WindowId>(i);
        area.Window(id).onResize = place(id);
    }
    area.Window(WindowId::Zoom).onKey = [this](int key, Qt::KeyboardModifiers) { return parts_->zoom->HandleKey(key); };

    p.scale = new CScaleDialog(frame.Ui(), &frame);
    p.scale->setTraceRange = [this](double upper, double lower) {
        const bool accepted = SetTraceRange(frame_.Model(), upper, lower) == RangeResult::Accepted;
        if (accepted) frame_.Model().redraw.Mark(ModelChange::TraceRange);
        return accepted;
    };
    p.zoomPosition = new CZoomPositionDialog(frame.Ui(), &frame);
    p.zoomPosition->setZoomPosition = [this](double t) {
        DisplayModel& m = frame_.Model();
        const HorzInfo& h = m.document.horz;
        return m.ChangeZoom(false, [&h, t](ZoomController& z, int64_t length) {
            return z.SetZoomPosition(t, h.HOffset, h.HResolution, length);
        });
    };
    p.cursorTime = new CCursorTimeDialog(frame.Ui(), &frame);
    p.cursorTime->setCursorTime = [this](bool mes, double t) {
        const bool accepted = SetCursorTime(frame_.Model(), cursorWindow_, mes, t);
        if (accepted)
            frame_.Model().redraw.Mark(cursorWindow_ == WindowId::Zoom ? ModelChange::ZoomCursors
                                                                       : ModelChange::MainCursors);
        return accepted;
    };
}

CFramePanels::~CFramePanels() = default;

QWidget* CFramePanels::ToolbarPanel() { return parts_->toolbar; }

void CFramePanels::SyncFromModel() {
    Parts& p = *parts_;
    p.toolbar->SyncFromModel();
    p.main->SyncFromModel();
    p.zoom->SyncFromModel();
    p.history->SyncFromModel();
    p.xy->SyncFromModel();
}

void CFramePanels::Place() {
    Parts& p = *parts_;
    CWindowArea& area = frame_.Area();
    auto size = [&](WindowId id) { return area.Window(id).size(); };
    p.main->Place(size(WindowId::Main).width(), size(WindowId::Main).height());
    p.zoom->Place(size(WindowId::Zoom).width(), size(WindowId::Zoom).height());
    p.history->Place(size(WindowId::History).width(), size(WindowId::History).height());
    p.xy->Place(size(WindowId::Xy).width(), size(WindowId::Xy).height());
}

void CFramePanels::SyncZoomPosition() { parts_->zoom->SyncScrollBar(); }

void CFramePanels::ShowAbout() { CAboutBox::Show(&frame_); }

void CFramePanels::OpenScaleDialog(QPoint globalPos, const ScaleRequest& request) {
    parts_->scale->OpenAt(globalPos, QString::fromStdString(request.name), QString::fromStdString(request.upper),
                          QString::fromStdString(request.lower));
}

void CFramePanels::OpenZoomPositionDialog(QPoint globalPos, const ZoomPositionRequest& request) {
    parts_->zoomPosition->OpenAt(globalPos, QString::fromStdString(request.text));
}

void CFramePanels::ExecScaleDialog(QPoint globalPos, const ScaleRequest& request) {
    parts_->scale->ExecAt(globalPos, QString::fromStdString(request.name), QString::fromStdString(request.upper),
                          QString::fromStdString(request.lower));
}

void CFramePanels::OpenCursorTimeDialog(QPoint globalPos, WindowId window, bool mes, const QString& text) {
    cursorWindow_ = window;
    parts_->cursorTime->OpenAt(globalPos, mes, text);
}

bool CFramePanels::ZoomBack() {
    if (!frame_.Model().ZoomBack()) return false;
    parts_->zoom->SyncFromModel();
    return true;
}

bool CFramePanels::OpenTraceSelection(WindowId window) {
    DisplayModel& m = frame_.Model();
    OnOffTable& table = window == WindowId::Zoom ? m.zoom.onOff : m.mainOnOff;
    const std::optional<OnOffTable> chosen = CTraceSelectDialog::Choose(table, &frame_);
    if (!chosen || *chosen == table) return false;
    table = *chosen;
    return true;
}

}  // namespace kivelo::app
