#pragma once
// The controls the frame hands out to its windows: the toolbar panel, the
// panel strip of each display window, and the value dialogs the mouse opens.
#include <QPoint>

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

private:
    struct Parts;
    CMainFrame& frame_;
    std::unique_ptr<Parts> parts_;
};

}  // namespace kivelo::app
