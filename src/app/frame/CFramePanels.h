#pragma once
// The controls the frame hands out to its windows: the toolbar panel, the
// panel strip of each display window, and the value dialogs the mouse opens.
#include <QPoint>
#include <QString>

#include <memory>

#include "display/MouseHandler.h"
#include "display/ViewArea.h"

class QWidget;

namespace kivelo::app {

class CMainFrame;

class CFramePanels {
public:
    explicit CFramePanels(CMainFrame& frame);
    ~CFramePanels();

    QWidget* ToolbarPanel();
    // Every control shows the model's state again (after an open, a close, the settings).
    void SyncFromModel();
    // The panels follow their windows' sizes.
    void Place();
    // The zoom panel's scroll bar follows the zoom position.
    void SyncZoomPosition();

    void ShowAbout();
    void OpenScaleDialog(QPoint globalPos, const ScaleRequest& request);
    void OpenZoomPositionDialog(QPoint globalPos, const ZoomPositionRequest& request);
    bool OpenTraceSelection(WindowId window);
    // The scale dialog, modal (a double click on W1).
    void ExecScaleDialog(QPoint globalPos, const ScaleRequest& request);
    // Typing the time of the Mes or Ref cursor of the Main or Zoom window.
    void OpenCursorTimeDialog(QPoint globalPos, WindowId window, bool mes, const QString& text);
    // Earlier stretch of the Zoom window (Backspace, Alt+Left); false when there is none.
    bool ZoomBack();

private:
    struct Parts;
    CMainFrame& frame_;
    std::unique_ptr<Parts> parts_;
    WindowId cursorWindow_ = WindowId::Main;
};

}  // namespace kivelo::app
