#pragma once
// The main window: menus from the command table, toolbar with the toolbar
// panel, status bar, the four display windows and every dialog. It routes
// commands, coalesces redraws on its 70 ms timer and runs the open flow.
#include <QImage>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/core/CommandTable.h"
#include "app/core/SettingsRecord.h"
#include "app/frame/CCommandHost.h"
#include "app/frame/CCommandModule.h"
#include "app/ui/CDisplayActions.h"
#include "app/windows/CWindowArea.h"
#include "display/DisplayModel.h"
#include "display/MouseHandler.h"
#include "display/RedrawScheduler.h"
#include "display/TextMetrics.h"
#include "display/WindowLayout.h"
#include "wavefile/WaveDocument.h"

class QAction;
class QLabel;
class QMenu;

namespace kivelo::app {

class CBusyWindow;
class CUiSeam;
class CFramePanels;

class CMainFrame : public QMainWindow, public CDisplayActions, public CCommandHost {
    Q_OBJECT
public:
    CMainFrame(WaveDocument& document, DisplayModel& model, RenderCache& cache, SettingsRecord& settings, CUiSeam& ui);
    ~CMainFrame() override;

    // The open flow: closes the open file, loads `path` with the busy window
    // showing progress, and draws it; a failed open shows the message.
    // False when nothing was opened (failed or cancelled).
    bool OpenPath(const QString& path) override;
    void CloseDocument() override;
    // Gives a command of the table its handler; only commands with one get a
    // menu entry. Command modules call it while the frame is made.
    void Handle(int id, std::function<void()> handler) override;
    // Runs a command of the table as if chosen from the menu; false for one without a handler.
    bool RunCommand(int id);
    QAction* Action(int id) const;
    void UpdateCommandStates();
    // Windows, panels and toolbar follow the model (after the settings were applied).
    void ApplyModelToControls();

    const TextMetrics& Metrics() const { return metrics_; }
    QMainWindow& Widget() override { return *this; }
    CWindowArea& Area() override { return *area_; }
    CBusyWindow& Busy() override { return *busy_; }
    // Redraws done so far (for tests).
    int RedrawCount() const { return redraws_; }
    // Recent files, most recent first (kept in the user's profile).
    QStringList RecentFiles() const;

    // CDisplayActions and CCommandHost
    void OpenScaleDialogFor(int trace) override;
    DisplayModel& Model() override { return model_; }
    CWaveFile* File() override { return document_.Current(); }
    // Draws now; changes to the model mark their windows instead (see ScheduleRedraw).
    void RedrawWindows(WindowMask windows) override;
    void LayOutWindows(bool force) override;
    bool OpenTraceSelection(WindowId window) override;
    CUiSeam& Ui() override { return ui_; }

    WaveDocument& Document() override { return document_; }
    SettingsRecord& Settings() override { return settings_; }
    const ReadMonitor& Monitor() const override { return monitor_; }
    // Long work that owns the model and the document runs through here: the busy
    // window shows `text` and progress; redraws and layouts asked for meanwhile
    // wait until it ends. False when the user cancelled.
    bool RunBusy(const QString& text, const std::function<void()>& work, const std::function<double()>& progress,
                 const std::function<void()>& cancel) override;
    // Called instead of the usual end when the frame is closed while abandoned
    // work still runs (see CBusyWindow::Abandoned); it must not return.
    void SetStuckExit(std::function<void()> exit) { stuckExit_ = std::move(exit); }
    // Where the window places are written once a document is drawn (empty: nowhere).
    void SetReadyFile(const QString& path) { readyFile_ = path; }
    // Module hooks, called by the application.
    void SettingsLoaded();
    void StoreSettings();

    // Places the windows again after the user resized one of them or an edge.
    void LayOutWithResize(std::optional<WindowResize> resized, std::optional<double> rightShare, bool force);

    // The frame's size at a first start: most of the primary screen.
    static QSize DefaultSize();

    // Frame rectangle of the last restored (not minimised or maximised) state.
    QRect NormalGeometry() const { return normalGeometry_; }

signals:
    void documentChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void ConnectWindows();
    void OnOpen();
    void OnAbout();
    void OnMouse(const MouseInput& in);
    void OnHistoryMouse(const MouseInput& in);
    void OnEdgeDrag(Edge edge, int position);
    void ShowDocumentInfo();
    void AddRecentFile(const QString& path);
    void RebuildRecentMenu();
    CommandState State() const;
    LayoutInput BaseLayoutInput() const;
    void StoreNormalGeometry();
    void FitPlaneToScreens();
    void OnWheel(const WheelInput& in);
    bool OnDoubleClick(WindowId window, int x, int y);
    bool OnWindowKey(WindowId window, int key, Qt::KeyboardModifiers modifiers);
    void OpenCursorTime(WindowId window, bool mes, QPoint globalPos);
    // Cursors (and the zoom frame) of a window drawn again over its picture.
    void RepaintCursors(WindowId window);
    void DrawSelection(int fromX, int toX);
    void ReportReady();
    // What the open's worker hands to this thread.
    struct OpenedFrame {
        WaveDocument::LoadResult result;
        DisplayModel model;                       // a copy of the model, bound to the loaded document
        std::array<QImage, kWindowCount> images;  // the first frame, drawn from that copy
    };
    void TakeOpenedFrame(OpenedFrame& opened);
    // RunBusy, then `done` on this thread when the work finished (not cancelled).
    bool RunBusyThen(const QString& text, const std::function<void()>& work, const std::function<double()>& progress,
                     const std::function<void()>& cancel, const std::function<void()>& done);
    // After the model was marked: draw at the end of this event, or on the 70 ms timer.
    void ScheduleRedraw(bool atOnce);
    // Draws the windows the model has marked.
    void DrawMarked();

    WaveDocument& document_;
    DisplayModel& model_;
    RenderCache& cache_;
    SettingsRecord& settings_;
    CUiSeam& ui_;
    TextMetrics metrics_;
    CWindowArea* area_ = nullptr;
    CBusyWindow* busy_ = nullptr;
    std::unique_ptr<CFramePanels> panels_;
    std::vector<std::unique_ptr<CCommandModule>> modules_;
    QLabel* info_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, std::function<void()>> handlers_;
    QTimer redrawTimer_;
    RedrawScheduler scheduler_;
    MouseHandler mouse_;
    ReadMonitor monitor_;
    bool ready_ = false;
    bool owedLayout_ = false;
    bool closeAfterWork_ = false;
    bool drawPosted_ = false;  // a draw of the marked windows waits for the event's end
    int redraws_ = 0;
    QRect normalGeometry_;
    std::function<void()> stuckExit_;
    QString readyFile_;
};

}  // namespace kivelo::app
