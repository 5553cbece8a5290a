#include "frame/CFramePanels.h"

#include <QMessageBox>

#include "frame/CMainFrame.h"

namespace kivelo::app {

struct CFramePanels::Parts {};

CFramePanels::CFramePanels(CMainFrame& frame) : frame_(frame), parts_(std::make_unique<Parts>()) {}
CFramePanels::~CFramePanels() = default;

QWidget* CFramePanels::ToolbarPanel() { return nullptr; }
void CFramePanels::SyncFromModel() {}
void CFramePanels::Place() {}
void CFramePanels::SyncZoomPosition() {}
void CFramePanels::ShowAbout() {}
void CFramePanels::OpenScaleDialog(QPoint, const ScaleRequest&) {}
void CFramePanels::OpenZoomPositionDialog(QPoint, const ZoomPositionRequest&) {}
bool CFramePanels::OpenTraceSelection(WindowId) { return false; }

}  // namespace kivelo::app
