#include "app/frame/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSaveFile>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QToolBar>
#include <QWindowStateChangeEvent>

#include "app/frame/CFramePanels.h"
#include "app/ui/CBusyWindow.h"
#include "app/ui/CIcons.h"
#include "app/ui/CUiSeam.h"
#include "display/CursorRenderer.h"
#include "display/CursorSamples.h"
#include "display/DocumentBinding.h"
#include "display/FirstFrameEstimate.h"
#include "display/HistoryWindowRenderer.h"
#include "display/RedrawAll.h"
#include "display/RenderTarget.h"
#include "display/WindowPlacement.h"
#include "display/WindowTexts.h"
#include "display/ZoomWindowRenderer.h"
#include "display/qt/FrameComposer.h"
#include "display/qt/QtDisplayPainter.h"

namespace kivelo::app {
namespace {

constexpr int kRecentCount = 4;
const QString kRecentKey = QStringLiteral("recentFiles");

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The open dialog's filter: one entry per format the program reads.
QString OpenFilter() {
    QString filter;
    for (const WaveFormatEntry& f : WaveFormats())
        filter += Q(f.filterText) + QStringLiteral("|*.") + Q(f.ending) + QStringLiteral("|");
    return filter + QStringLiteral("|");
}

TextMetrics MetricsFor(const QFont& font) {
    return QFontInfo(font).pixelSize() >= 20 ? TextMetrics::Large() : TextMetrics::Normal();
}

}  // namespace

CMainFrame::CMainFrame(WaveDocument& document, DisplayModel& model, RenderCache& cache, SettingsRecord& settings,
                       CUiSeam& ui)
    : document_(document),
      model_(model),
      cache_(cache),
      settings_(settings),
      ui_(ui),
      metrics_(MetricsFor(QApplication::font())) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(Q(kInitialCaption));
    setWindowIcon(ProgramIcon());
    setMinimumSize(kMinFrameWidth, kMinFrameHeight);
    setAcceptDrops(true);
    document_.SetReadMonitor(&monitor_);

    area_ = new CWindowArea(this);
    setCentralWidget(area_);
    busy_ = new CBusyWindow(this);
    connect(busy_, &CBusyWindow::workAbandoned, this, [this] {
        statusBar()->showMessage(
            QStringLiteral("The work did not stop (a file system that does not answer?): it goes on unseen, "
                           "and nothing else starts until it returns"));
    });

    Handle(cmd::kOpen, [this] { OnOpen(); });
    Handle(cmd::kClose, [this] { CloseDocument(); });
    Handle(cmd::kExit, [this] { close(); });
    Handle(cmd::kAbout, [this] { OnAbout(); });
    modules_ = MakeCommandModules(*this);
    BuildMenus();
    BuildStatusBar();
    panels_ = std::make_unique<CFramePanels>(*this);
    BuildToolBar();
    ConnectWindows();

    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(RedrawScheduler::kDelay);
    connect(&redrawTimer_, &QTimer::timeout, this, [this] {
        if (scheduler_.Fire()) DrawMarked();
    });
    model_.redraw.SetListener([this](bool atOnce) { ScheduleRedraw(atOnce); });

    resize(DefaultSize());
    FitPlaneToScreens();
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen*) { FitPlaneToScreens(); });
    ready_ = true;
    scheduler_.SetReady(true);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() { model_.redraw.SetListener({}); }

QSize CMainFrame::DefaultSize() {
    // Most of the screen; the plane grows to whatever the frame needs.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize avail = screen->availableGeometry().size();
        return {std::max(avail.width() * 9 / 10, kMinFrameWidth), std::max(avail.height() * 9 / 10, kMinFrameHeight)};
    }
    return {1280, 900};
}

void CMainFrame::FitPlaneToScreens() {
    // At least the largest screen in device pixels, so a maximised frame is drawn edge to edge.
    int w = 0, h = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QSize pixels = screen->geometry().size() * screen->devicePixelRatio();
        w = std::max(w, pixels.width());
        h = std::max(h, pixels.height());
    }
    cache_.plane.EnsureSize(w, h);
}

// ---- commands -------------------------------------------------------------

void CMainFrame::Handle(int id, std::function<void()> handler) { handlers_[id] = std::move(handler); }

void CMainFrame::BuildMenus() {
    std::map<QString, QMenu*> menus;
    std::map<QString, QMenu*> submenus;
    for (const char* name : {"File", "Comm", "Analysis", "Help"}) {
        // A mnemonic on each name: Alt+F, Alt+C, Alt+A, Alt+H open the menus.
        QMenu* menu = menuBar()->addMenu(QLatin1Char('&') + QString::fromLatin1(name));
        menu->setObjectName(QStringLiteral("menu") + QString::fromLatin1(name));
        menus[QString::fromLatin1(name)] = menu;
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    }
    fileMenu_ = menus[QStringLiteral("File")];
    for (const CommandEntry& e : Commands()) {
        if (e.menu.empty() || !handlers_.count(e.id)) continue;
        QMenu* menu = menus[Q(e.menu)];
        if (!e.submenu.empty()) {
            QMenu*& sub = submenus[Q(e.menu) + QLatin1Char('/') + Q(e.submenu)];
            if (!sub) sub = menu->addMenu(Q(e.submenu));
            menu = sub;
        }
        if (e.id == cmd::kExit) {
            recentSeparator_ = menu->addSeparator();
            recentMenu_ = new QMenu(this);
            menu->addSeparator();
        }
        QAction* a = menu->addAction(Q(e.text));
        a->setObjectName(QStringLiteral("cmd%1").arg(e.id));
        if (!e.shortcut.empty()) a->setShortcut(QKeySequence(Q(e.shortcut)));
        // The desktop's keys for quitting and closing the document.
        if (e.shortcut.empty() && e.id == cmd::kExit) a->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
        if (e.shortcut.empty() && e.id == cmd::kClose) a->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));
        a->setStatusTip(Q(e.prompt));
        const int id = e.id;
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions_[id] = a;
    }
    for (auto& [name, menu] : menus) menu->menuAction()->setVisible(!menu->isEmpty());
    // Save has a key but no work to do: the program never rewrites an open record.
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setObjectName(QStringLiteral("saveSwallowed"));
    // F10 opens the first menu, as on other desktops.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setObjectName(QStringLiteral("menuKey"));
    connect(f10, &QShortcut::activated, this, [this] {
        for (QAction* a : menuBar()->actions())
            if (a->isVisible()) {
                menuBar()->setActiveAction(a);
                return;
            }
    });
    // Back to the Zoom window's previous stretch.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Left)}) {
        auto* back = new QShortcut(key, this);
        back->setObjectName(QStringLiteral("zoomBack"));
        connect(back, &QShortcut::activated, this, [this] {
            if (!busy_->Running()) panels_->ZoomBack();
        });
    }
    RebuildRecentMenu();
}

bool CMainFrame::RunCommand(int id) {
    const auto it = handlers_.find(id);
    if (it == handlers_.end()) return false;
    if (busy_->Running()) return true;
    if (!IsEnabled(id, State())) return true;
    it->second();
    UpdateCommandStates();
    return true;
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

CommandState CMainFrame::State() const {
    CommandState s;
    s.fileOpen = document_.IsOpen();
    s.realtime = document_.IsRealtime();
    s.mainShown = model_.shown[0];
    s.zoomShown = model_.shown[1];
    s.historyShown = model_.shown[2];
    s.xyShown = model_.shown[3];
    return s;
}

void CMainFrame::UpdateCommandStates() {
    const CommandState s = State();
    for (auto& [id, action] : actions_) action->setEnabled(IsEnabled(id, s));
}

void CMainFrame::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(true);
    bar->setIconSize(QSize(17, 15) * 1.25);
    for (int id : {cmd::kOpen, cmd::kPrint, cmd::kAbout}) {
        if (QAction* a = Action(id)) {
            if (id == cmd::kOpen) a->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
            if (id == cmd::kPrint)
                a->setIcon(
                    QIcon::fromTheme(QStringLiteral("document-print"), style()->standardIcon(QStyle::SP_FileIcon)));
            if (id == cmd::kAbout) a->setIcon(ProgramIcon());
            a->setToolTip(QString(a->text()).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
            bar->addAction(a);
        }
    }
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    // The overflow buttons appear when the frame is too narrow for the bars.
    if (auto* more = bar->findChild<QWidget*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More toolbar controls"));
    if (auto* more = menuBar()->findChild<QWidget*>(QStringLiteral("qt_menubar_ext_button")))
        more->setAccessibleName(QStringLiteral("More menus"));
    if (QWidget* panel = panels_->ToolbarPanel()) {
        bar->addWidget(panel);
        panel->show();
    }
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    info_ = new QLabel(bar);
    info_->setObjectName(QStringLiteral("documentInfo"));
    info_->setAccessibleName(QStringLiteral("Open document"));
    bar->addWidget(info_, 1);
    for (std::string_view text : kIndicatorTexts) {
        auto* pane = new QLabel(Q(text), bar);
        pane->setObjectName(QStringLiteral("indicator") + Q(text));
        pane->setAccessibleName(QStringLiteral("Indicator ") + Q(text));
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setEnabled(false);  // lock-key states are not known to a Linux client
        bar->addPermanentWidget(pane);
    }
    ShowDocumentInfo();
}

void CMainFrame::ShowDocumentInfo() {
    if (!document_.IsOpen()) {
        info_->setText(Q(kReadyPrompt));
        return;
    }
    const DisplayDocument& d = model_.document;
    int traces = 0;
    for (uint8_t v : model_.mainOnOff) traces += v == kTraceOn || v == kTraceOff;
    QString text = QStringLiteral("%1  -  %2 traces, %3 record(s) of %4 points")
                       .arg(QFileInfo(QString::fromStdString(document_.Path())).fileName())
                       .arg(traces)
                       .arg(d.recordCount)
                       .arg(d.recordLength);
    // The note stays while the file is open: the shown lengths are the header's.
    QString shortOnes;
    for (const ShortTrace& t : document_.Current()->GetShortTraces())
        shortOnes += QStringLiteral(" W%1").arg(t.trace + 1);
    if (!shortOnes.isEmpty()) text += QStringLiteral("  -  WARNING: data missing in") + shortOnes;
    info_->setText(text);
}

void CMainFrame::OnAbout() {
    panels_->ShowAbout();
    model_.redraw.MarkAll(false);
}

// ---- the open flow --------------------------------------------------------

void CMainFrame::OnOpen() {
    FileDialogRequest request;
    request.title = QStringLiteral("Open  WVF file (*.wvf) or RTM file (*.rtm)");
    request.filter = OpenFilter();
    request.defaultSuffix = QStringLiteral("WVF");
    request.mustExist = true;
    const std::optional<QString> path = ui_.FileName(this, request);
    if (!path) {
        model_.redraw.MarkAll(true);
        LayOutWindows(false);
        return;
    }
    OpenPath(*path);
    LayOutWindows(false);
}

void CMainFrame::CloseDocument() {
    if (busy_->Running()) return;
    document_.Close();
    UnbindDocument(model_);
    model_.redraw.MarkAll(true);
    setWindowTitle(Q(document_.Caption()));
    ShowDocumentInfo();
    panels_->SyncFromModel();
    UpdateCommandStates();
    for (auto& m : modules_) m->DocumentChanged();
    emit documentChanged();
}

void CMainFrame::SettingsLoaded() {
    for (auto& m : modules_) m->SettingsLoaded();
}

void CMainFrame::StoreSettings() {
    for (auto& m : modules_) m->StoreSettings();
}

bool CMainFrame::RunBusy(const QString& text, const std::function<void()>& work,
                         const std::function<double()>& progress, const std::function<void()>& cancel) {
    return RunBusyThen(text, work, progress, cancel, {});
}

bool CMainFrame::RunBusyThen(const QString& text, const std::function<void()>& work,
                             const std::function<double()>& progress, const std::function<void()>& cancel,
                             const std::function<void()>& done) {
    // Only while abandoned work still runs can a command get here meanwhile.
    // While the busy window runs, the frame neither draws nor lays out nor runs
    // commands (each checks Running()), so work may use the document and the
    // render cache; what it owes is done when it ends.
    if (busy_->Running()) return false;
    const bool finished = busy_->Run(text, CBusyWindow::Work{work, progress, cancel});
    // The work's results are taken here, before the layouts and redraws that waited for it.
    if (finished && done) done();
    if (owedLayout_) LayOutWindows(false);
    // Marks made meanwhile were kept for now.
    DrawMarked();
    if (closeAfterWork_) QTimer::singleShot(0, this, [this] { close(); });
    return finished;
}

bool CMainFrame::OpenPath(const QString& path) {
    if (busy_->Running()) return false;
    CloseDocument();
    // Direct: the closed state shows behind the busy window.
    DrawMarked();

    // The worker loads the document, binds a copy of the model to it and draws
    // the first frame from that copy (the reads the busy window shows and can
    // cancel); this thread takes the binding and the frame when it has ended.
    OpenedFrame opened;
    opened.model = model_;
    for (int i = 0; i < kWindowCount; ++i) {
        CDisplayWindow& w = area_->Window(static_cast<WindowId>(i));
        if (model_.shown[static_cast<size_t>(i)] && w.isVisible())
            opened.images[static_cast<size_t>(i)] = w.PrepareImage().copy();
    }
    const std::string file = path.toStdString();
    const int frameW = width(), frameH = height();
    std::atomic<int64_t> expected{0};
    WaveDocument::LoadResult& result = opened.result;
    monitor_.Reset();
    const bool finished = RunBusyThen(
        QStringLiteral("Loading ..."),
        [&] {
            result = document_.Load(file);
            if (!result.ok) return;
            BindDocument(opened.model, *document_.Current());
            expected = FirstFrameReadBytes(*document_.Current(), opened.model);
            RenderWindows(opened.model, cache_, document_.Current(), opened.images, metrics_, frameW, frameH);
        },
        [&] {
            const int64_t total = expected.load();
            if (total <= 0) return -1.0;
            return std::min(0.99, static_cast<double>(monitor_.bytesRead.load()) / static_cast<double>(total));
        },
        [&] { monitor_.cancel = true; }, [&] { TakeOpenedFrame(opened); });

    const bool ok = finished && result.ok && !monitor_.Cancelled();
    if (!ok) {
        document_.Close();
        // The cache may hold points drawn from the dropped copy.
        model_.ForgetPointsOf(opened.model);
        model_.redraw.MarkAll(true);
        if (finished && !result.ok)
            ui_.Message(this, QString::fromStdString(result.message), QStringLiteral("ERROR"), MsgIcon::Exclamation);
        else statusBar()->showMessage(QStringLiteral("Opening %1 was cancelled").arg(path), 5000);
    } else {
        AddRecentFile(path);
        if (!result.warning.empty())
            ui_.Message(this, QString::fromStdString(result.warning), QStringLiteral("WARNING"), MsgIcon::Exclamation);
        QTimer::singleShot(0, this, [this] { ReportReady(); });
    }
    setWindowTitle(Q(document_.Caption()));
    ShowDocumentInfo();
    panels_->SyncFromModel();
    UpdateCommandStates();
    for (auto& m : modules_) m->DocumentChanged();
    emit documentChanged();
    return ok;
}

void CMainFrame::TakeOpenedFrame(OpenedFrame& opened) {
    if (!opened.result.ok || monitor_.Cancelled()) return;
    // Nothing on this thread changed the model while the work ran (input,
    // layouts and draws wait for it), so the copy is the model plus the binding.
    model_ = opened.model;
    for (int i = 0; i < kWindowCount; ++i)
        if (!opened.images[static_cast<size_t>(i)].isNull())
            area_->Window(static_cast<WindowId>(i)).SetImage(std::move(opened.images[static_cast<size_t>(i)]));
    ++redraws_;
}

void CMainFrame::ApplyModelToControls() {
    panels_->SyncFromModel();
    LayOutWindows(true);
}

// Scripts that drive the program (the end-to-end test, screenshots) learn
// from the ready file that a document is drawn and where the windows are.
void CMainFrame::ReportReady() {
    if (readyFile_.isEmpty()) return;
    QSaveFile out(readyFile_);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text)) return;
    static constexpr const char* kNames[] = {"main", "zoom", "history", "xy"};
    const QPoint frame = mapToGlobal(QPoint(0, 0));
    out.write(QStringLiteral("frame %1 %2 %3 %4\n").arg(frame.x()).arg(frame.y()).arg(width()).arg(height()).toUtf8());
    const QPoint client = area_->mapToGlobal(QPoint(0, 0));
    out.write(QStringLiteral("client %1 %2 %3 %4\n")
                  // clang-format off
                  .arg(client.x()).arg(client.y()).arg(area_->width()).arg(area_->height()).toUtf8());
    // clang-format on
    for (int i = 0; i < kWindowCount; ++i) {
        const CDisplayWindow& w = area_->Window(static_cast<WindowId>(i));
        const QPoint p = w.mapToGlobal(QPoint(0, 0));
        out.write(QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                      // clang-format off
                      .arg(QString::fromLatin1(kNames[i])).arg(p.x()).arg(p.y()).arg(w.width()).arg(w.height())
                      .arg(w.isVisible() ? 1 : 0).toUtf8());
        // clang-format on
    }
    out.commit();
}

// ---- recent files ---------------------------------------------------------

QStringList CMainFrame::RecentFiles() const { return QSettings().value(kRecentKey).toStringList(); }

void CMainFrame::AddRecentFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList list = RecentFiles();
    list.removeAll(full);
    list.prepend(full);
    while (list.size() > kRecentCount) list.removeLast();
    QSettings().setValue(kRecentKey, list);
    RebuildRecentMenu();
}

void CMainFrame::RebuildRecentMenu() {
    if (!fileMenu_ || !recentSeparator_) return;
    for (QAction* a : fileMenu_->actions())
        if (a->property("recent").toBool()) {
            fileMenu_->removeAction(a);
            a->deleteLater();
        }
    const QStringList list = RecentFiles();
    QAction* before = Action(cmd::kExit);
    for (int i = 0; i < list.size(); ++i) {
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(list[i]), fileMenu_);
        a->setProperty("recent", true);
        a->setObjectName(QStringLiteral("recent%1").arg(i + 1));
        a->setStatusTip(QStringLiteral("Open this file again"));
        const QString path = list[i];
        connect(a, &QAction::triggered, this, [this, path] {
            if (!busy_->Running()) OpenPath(path);
        });
        fileMenu_->insertAction(before ? before : recentSeparator_, a);
    }
    if (before && !list.isEmpty()) fileMenu_->insertSeparator(before)->setProperty("recent", true);
}

// ---- drawing --------------------------------------------------------------

void CMainFrame::ScheduleRedraw(bool atOnce) {
    // Only the window's thread draws; a mark made elsewhere waits for its next draw.
    if (!ready_ || QThread::currentThread() != thread()) return;
    if (!atOnce) {
        // A running timer is not restarted: changes that keep coming are drawn at every tick.
        scheduler_.Request(RedrawScheduler::Clock::now());
        if (!redrawTimer_.isActive()) redrawTimer_.start();
        return;
    }
    if (std::exchange(drawPosted_, true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            drawPosted_ = false;
            DrawMarked();
        },
        Qt::QueuedConnection);
}

void CMainFrame::DrawMarked() {
    // While work runs the marks stay; RunBusy draws them when it ends.
    if (busy_->Running()) return;
    if (const WindowMask windows = model_.redraw.Take()) RedrawWindows(windows);
}

void CMainFrame::RedrawWindows(WindowMask windows) {
    if (busy_->Running()) {
        model_.redraw.MarkWindows(windows, true);
        return;
    }
    std::array<QImage, kWindowCount> images;
    for (int i = 0; i < kWindowCount; ++i) {
        CDisplayWindow& w = area_->Window(static_cast<WindowId>(i));
        if (model_.shown[static_cast<size_t>(i)] && w.isVisible() && w.width() > 0 && w.height() > 0)
            images[static_cast<size_t>(i)] = std::move(w.PrepareImage());
    }
    RenderWindows(model_, cache_, document_.Current(), images, metrics_, width(), height(), windows);
    for (int i = 0; i < kWindowCount; ++i)
        if (!images[static_cast<size_t>(i)].isNull())
            area_->Window(static_cast<WindowId>(i)).SetImage(std::move(images[static_cast<size_t>(i)]));
    ++redraws_;
    if (windows & MaskOf(WindowId::Zoom)) panels_->SyncZoomPosition();
}

LayoutInput CMainFrame::BaseLayoutInput() const {
    LayoutInput in;
    // The client area is the frame's usable rectangle: menu, toolbar and status bar lie outside it.
    in.frame = {-4, -metrics_.panelHeight, area_->width() + 8, area_->height() + metrics_.panelHeight + 22};
    in.shown = model_.shown;
    in.shares = model_.shares;
    in.metrics = metrics_;
    return in;
}

void CMainFrame::LayOutWindows(bool force) { LayOutWithResize(std::nullopt, std::nullopt, force); }

void CMainFrame::LayOutWithResize(std::optional<WindowResize> resized, std::optional<double> rightShare, bool force) {
    if (!ready_ || isMinimized()) return;
    if (busy_->Running()) {
        owedLayout_ = true;
        return;
    }
    owedLayout_ = false;
    LayoutInput in = BaseLayoutInput();
    in.resized = resized;
    if (rightShare) in.shares.right = *rightShare;
    const std::array<bool, kWindowCount> shown = model_.shown;
    const LayoutResult layout = kivelo::LayOutWindows(in);
    model_.shares = layout.shares;
    if (rightShare && in.frame.width > 0) {
        // Keep the share the clamps allowed, so the next layout starts from what is on the screen.
        const LayoutRect& r = layout.windows[layout.visible[2] ? 2 : 3];
        model_.shares.right = static_cast<double>(r.width) / in.frame.width;
    }
    ApplyLayout(model_, cache_, layout);
    model_.shown = shown;
    area_->Place(layout, force);
    panels_->Place();
    model_.redraw.Mark(ModelChange::Layout);
    UpdateCommandStates();
}

void CMainFrame::OnEdgeDrag(Edge edge, int position) {
    const LayoutInput in = BaseLayoutInput();
    switch (edge) {
    case Edge::MainZoom: {
        const QRect r = area_->Window(WindowId::Main).geometry();
        LayOutWithResize(WindowResize{WindowId::Main, r.width(), position - r.y()}, std::nullopt, false);
        break;
    }
    case Edge::HistoryXy: {
        const QRect r = area_->Window(WindowId::History).geometry();
        LayOutWithResize(WindowResize{WindowId::History, r.width(), position - r.y()}, std::nullopt, false);
        break;
    }
    case Edge::Columns:
        if (in.frame.width > 0)
            LayOutWithResize(std::nullopt, static_cast<double>(area_->width() - position) / in.frame.width, false);
        break;
    }
}

// ---- mouse ----------------------------------------------------------------

void CMainFrame::ConnectWindows() {
    area_->onResize = [this] { LayOutWindows(false); };
    area_->onEdgeDrag = [this](Edge e, int p) { OnEdgeDrag(e, p); };
    for (int i = 0; i < kWindowCount; ++i) {
        CDisplayWindow& w = area_->Window(static_cast<WindowId>(i));
        w.onMouse = [this](const MouseInput& in) {
            if (busy_->Running()) return;
            if (in.window == WindowId::History) OnHistoryMouse(in);
            else OnMouse(in);
        };
    }
    for (const WindowId id : {WindowId::Main, WindowId::Zoom}) {
        CDisplayWindow& w = area_->Window(id);
        w.onWheel = [this](const WheelInput& in) {
            if (!busy_->Running()) OnWheel(in);
        };
        w.onDoubleClick = [this, id](int x, int y) { return !busy_->Running() && OnDoubleClick(id, x, y); };
        // Cursor keys first; what they leave goes to the window's panel (the Zoom keys).
        w.onKey = [this, id, panel = std::move(w.onKey)](int key, Qt::KeyboardModifiers modifiers) {
            if (busy_->Running()) return false;
            return OnWindowKey(id, key, modifiers) || (panel && panel(key, modifiers));
        };
    }
}

void CMainFrame::OnWheel(const WheelInput& in) {
    MouseContext context;
    context.lineHeight = metrics_.LineHeight();
    context.frameWidth = width();
    context.frameHeight = height();
    const MouseOutcome out = MouseHandler::Wheel(model_, in, context);
    model_.redraw.MarkWindows(out.redraw, true);
    // The ratio list and the bar follow now; the picture at the end of the event.
    if (out.redraw & MaskOf(WindowId::Zoom)) panels_->SyncZoomPosition();
}

// Rows of the cursor readouts (MesCursor:, RefCursor:) below the trace area, in window coordinates.
bool CMainFrame::OnDoubleClick(WindowId window, int x, int y) {
    if (!model_.document.loaded || model_.mouseMode != MouseMode::Cursors) return false;
    const ViewArea& a = model_.Area(window);
    const int lh = metrics_.LineHeight();
    const int y0 = a.areaY + a.areaHeight + 37 + kWindowPanelHeight;
    if (x < 58 || x > area_->Window(window).width() - 130 || y < y0 + lh || y >= y0 + 3 * lh) return false;
    OpenCursorTime(window, y < y0 + 2 * lh, area_->Window(window).mapToGlobal(QPoint(x, y)));
    return true;
}

void CMainFrame::OpenCursorTime(WindowId window, bool mes, QPoint globalPos) {
    const HorzInfo& h = model_.document.horz;
    const double t = ShownCursorSample(model_, window, mes) * h.HResolution + h.HOffset;
    panels_->OpenCursorTimeDialog(globalPos, window, mes, Q(FormatText(t, h.HUnit, 4, h.HResolution)).trimmed());
}

bool CMainFrame::OnWindowKey(WindowId window, int key, Qt::KeyboardModifiers modifiers) {
    if (!model_.document.loaded) return false;
    CDisplayWindow& w = area_->Window(window);
    if (key == Qt::Key_G && (modifiers & Qt::ControlModifier)) {
        OpenCursorTime(window, true, w.mapToGlobal(QPoint(125, model_.Area(window).areaY + kWindowPanelHeight)));
        return true;
    }
    if ((key != Qt::Key_Left && key != Qt::Key_Right) || (modifiers & Qt::AltModifier)) return false;
    // In the Zoom window the arrows move the stretch unless the pointer is over the traces.
    if (window == WindowId::Zoom) {
        const ViewArea& a = model_.Area(window);
        const QPoint p = w.mapFromGlobal(QCursor::pos());
        const QRect traces(a.areaX, a.areaY + kWindowPanelHeight, a.areaWidth + 1, a.areaHeight + 1);
        if (!traces.contains(p)) return false;
    }
    const int columns = (key == Qt::Key_Left ? -1 : 1) * (modifiers & Qt::ShiftModifier ? 10 : 1);
    NudgeCursor(model_, window, !(modifiers & Qt::ControlModifier), columns);
    RepaintCursors(window);
    return true;
}

void CMainFrame::RepaintCursors(WindowId window) {
    CDisplayWindow& w = area_->Window(window);
    if (w.Image().isNull()) return;
    {
        QtDisplayPainter painter(w.Image(), metrics_);
        const RenderTarget target{model_, cache_, document_.Current(), painter, metrics_, width(), height()};
        PlaceCursors(model_, target, window);
        RedrawCursors(target, window);
    }
    w.update();
}

void CMainFrame::DrawSelection(int fromX, int toX) {
    RepaintCursors(WindowId::Main);
    CDisplayWindow& main = area_->Window(WindowId::Main);
    if (main.Image().isNull()) return;
    const ViewArea& a = model_.Area(WindowId::Main);
    const int left = std::clamp(std::min(fromX, toX), static_cast<int>(a.areaX), a.areaX + a.areaWidth);
    const int right = std::clamp(std::max(fromX, toX), static_cast<int>(a.areaX), a.areaX + a.areaWidth);
    {
        QtDisplayPainter painter(main.Image(), metrics_);
        painter.DrawRectOutline(left, a.areaY + kWindowPanelHeight + 4, right,
                                a.areaY + a.areaHeight + kWindowPanelHeight - 4, model_.palette.Foreground());
    }
    main.update();
}

void CMainFrame::OpenScaleDialogFor(int trace) {
    if (busy_->Running() || width() < kMinFrameWidth || height() < kMinFrameHeight) return;
    const std::optional<ScaleRequest> request = SelectForScale(model_, trace);
    if (request) panels_->ExecScaleDialog(QCursor::pos(), *request);
}

void CMainFrame::OnMouse(const MouseInput& in) {
    MouseContext context;
    context.lineHeight = metrics_.LineHeight();
    context.frameWidth = width();
    context.frameHeight = height();
    const MouseOutcome out = mouse_.Handle(model_, cache_, in, context);
    CDisplayWindow& window = area_->Window(in.window);
    if (out.zoomFrame) {
        CDisplayWindow& main = area_->Window(WindowId::Main);
        QImage& image = main.Image();
        if (!image.isNull()) {
            {
                QtDisplayPainter painter(image, metrics_);
                DrawZoomFrame(model_, cache_, painter, out.zoomFrame->first, out.zoomFrame->second);
            }
            main.update();
        }
    }
    // Direct: the cursors, selection and dialogs below go over the picture drawn now.
    if (out.redraw) RedrawWindows(out.redraw);
    for (const WindowId id : {WindowId::Main, WindowId::Zoom}) {
        if (!(out.cursors & MaskOf(id)) || (out.redraw & MaskOf(id))) continue;
        RepaintCursors(id);
    }
    if (out.selection) DrawSelection(out.selection->first, out.selection->second);
    if (out.scale) panels_->OpenScaleDialog(window.mapToGlobal(QPoint(in.x, in.y)), *out.scale);
    if (out.zoomPosition) panels_->OpenZoomPositionDialog(window.mapToGlobal(QPoint(in.x, in.y)), *out.zoomPosition);
}

void CMainFrame::OnHistoryMouse(const MouseInput& in) {
    if (in.action != MouseAction::Press || !model_.document.loaded) return;
    if (width() < kMinFrameWidth || height() < kMinFrameHeight) return;
    const CDisplayWindow& w = area_->Window(WindowId::History);
    const DisplayDocument& d = model_.document;
    const std::optional<int> record = model_.history.CellAt(in.x, in.y, w.width(), w.height(), d.recordCount);
    if (!record) return;
    model_.ClickRecord(*record, in.button == MouseButton::Left);
}

// ---- trace selection ------------------------------------------------------

bool CMainFrame::OpenTraceSelection(WindowId window) { return panels_->OpenTraceSelection(window); }

// ---- frame events ---------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (busy_->Running() && busy_->Abandoned() && stuckExit_) {
        // The worker cannot be waited for: the program ends around it.
        event->accept();
        stuckExit_();
        return;
    }
    if (busy_->Running()) {
        // Stop the work first; the frame closes when it has ended.
        closeAfterWork_ = true;
        monitor_.cancel = true;
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!busy_->Running() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    // Only the first file counts. Linux names are case-sensitive, so the
    // path is opened as given; the ending alone is compared in lower case.
    const QString path = urls.first().toLocalFile();
    if (!FormatOfPath(path.toStdString())) return;
    OpenPath(path);
}

void CMainFrame::StoreNormalGeometry() {
    // The client rectangle: restored with setGeometry, it gives back the same window
    // (the outer frame, restored as the inner size, grew a little at every start).
    if (ready_ && !isMinimized() && !isMaximized() && !isFullScreen()) normalGeometry_ = geometry();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    StoreNormalGeometry();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    StoreNormalGeometry();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) LayOutWindows(false);
}

}  // namespace kivelo::app
