#include "app/frame/CKiveloApp.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QSplashScreen>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/core/FramePlacement.h"
#include "app/core/SettingsRules.h"
#include "app/core/SettingsStore.h"
#include "app/frame/CMainFrame.h"
#include "app/frame/CQuitOnSignal.h"
#include "app/instrument/CCommSetupDialog.h"
#include "app/ui/CIcons.h"
#include "app/ui/CQtUiSeam.h"
#include "common/StagedFile.h"
#include "port/PortOptions.h"
#include "wavefile/WavefileOptions.h"

namespace kivelo::app {
namespace {

// The profile keeps whether the frame was maximised (the settings record has no field for it).
const QString kMaximisedKey = QStringLiteral("frameMaximised");

// A short splash window while the frame comes up: a second, or until the first frame is drawn.
void ShowSplash(QWidget& frame) {
    QPixmap picture(282, 144);
    picture.fill(QColor(0, 0, 0));
    {
        QPainter p(&picture);
        PaintProgramIcon(p, QRectF(16, 32, 80, 80));
        p.setPen(QColor(0xF7, 0xF7, 0xF7));
        QFont f = p.font();
        f.setPixelSize(15);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(106, 40, 172, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Waveform Viewer"));
        f.setPixelSize(12);
        f.setBold(false);
        p.setFont(f);
        p.drawText(QRect(110, 72, 165, 40), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("Version  1.10\nfor QV series"));
    }
    auto* splash = new QSplashScreen(picture);
    splash->setObjectName(QStringLiteral("splash"));
    splash->setAccessibleName(QStringLiteral("Waveform Viewer starting"));
    splash->show();
    splash->raise();
    QObject::connect(&frame, &QObject::destroyed, splash, &QObject::deleteLater);
    QTimer::singleShot(1000, splash, [splash] {
        splash->close();
        splash->deleteLater();
    });
}

}  // namespace

CKiveloApp::CKiveloApp(CUiSeam& ui, std::string settingsPath)
    : document_(std::make_unique<WaveDocument>(WavefileOptions::From(std::getenv).summaryBudget)),
      model_(std::make_unique<DisplayModel>()),
      cache_(std::make_unique<RenderCache>()),
      settingsPath_(std::move(settingsPath)),
      frame_(std::make_unique<CMainFrame>(*document_, *model_, *cache_, settings_, ui)) {
    // The Comm menu's wire log: $KIVELO_COMM_LOG switches it on from the start;
    // the box in Setup Comm Port otherwise writes beside the settings file.
    const char* log = std::getenv("KIVELO_COMM_LOG");
    const bool on = log != nullptr && *log != '\0';
    if (auto* comm = frame_->findChild<CCommSetupDialog*>(QStringLiteral("CommSetupDialog"))) {
        comm->SetCommLog(
            on ? QString::fromLocal8Bit(log) : QString::fromStdString(FolderOf(settingsPath_) + "/kivelo-comm.log"),
            on);
        comm->SetPortOptions(PortOptions::From(std::getenv));
    }
    frame_->SetReadyFile(qEnvironmentVariable("KIVELO_READY_FILE"));
}

CKiveloApp::~CKiveloApp() {
    frame_.reset();  // the frame uses the document, the model and the cache
}

void CKiveloApp::LoadSettings() {
    // A damaged, short or overlong file is kept aside and the defaults used; one
    // that cannot be read is not replaced at exit.
    const SettingsOpening opening = SettingsStore::Open(settingsPath_, settings_);
    mayOverwrite_ = opening.mayOverwrite;
    if (!opening.notice.empty()) frame_->statusBar()->showMessage(QString::fromStdString(opening.notice));
    const AppliedSettings applied = ApplySettingsRules(settings_, opening.apply);
    DisplayModel& m = *model_;
    if (applied.graticuleType) m.SetGraticuleStyle(*applied.graticuleType);
    if (applied.stored) {
        const StoredSettings& s = *applied.stored;
        if (s.currentDirectory) QDir::setCurrent(QString::fromStdString(*s.currentDirectory));
        m.shown = {s.mainShown, s.zoomShown, s.historyShown, s.xyShown};
        m.SetVerticalDivisions(s.divisions);
        m.SetLightMode(s.lightMode);
        m.shares = s.shares;
    }
    // The saved place (any size, any screen) when a screen still shows it.
    if (applied.stored) {
        std::vector<FrameRect> screens;
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect a = screen->availableGeometry();
            screens.push_back({a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
        }
        if (const std::optional<FrameRect> r = RestoredFramePlacement(settings_.FrameRectangle(), screens))
            frame_->setGeometry(QRect(r->left, r->top, r->right - r->left, r->bottom - r->top));
        maximised_ = QSettings().value(kMaximisedKey, false).toBool();
    }
    frame_->ApplyModelToControls();
    frame_->SettingsLoaded();
}

bool CKiveloApp::SaveSettings() {
    if (!mayOverwrite_) {
        std::fprintf(stderr, "kivelo: settings not saved: %s was not read and is left as it is\n",
                     settingsPath_.c_str());
        return false;
    }
    frame_->StoreSettings();
    const DisplayModel& m = *model_;
    SettingsRecord& r = settings_;
    r.SetCurrentDirectory(QDir::currentPath().toStdString());
    r.SetMainShown(m.shown[0]);
    r.SetZoomShown(m.shown[1]);
    r.SetHistoryShown(m.shown[2]);
    r.SetXyShown(m.shown[3]);
    r.SetLightMode(m.LightMode() ? 1 : 0);
    r.SetMainShare(static_cast<float>(m.shares.main));
    r.SetHistoryShare(static_cast<float>(m.shares.history));
    r.SetRightShare(static_cast<float>(m.shares.right));
    r.SetGraticuleType(m.Area(WindowId::Main).graticuleStyle);
    r.SetDivisions(m.Area(WindowId::Xy).verticalDivisions);
    QSettings().setValue(kMaximisedKey, frame_->isMaximized());
    const QRect g = frame_->NormalGeometry();
    if (g.isValid()) r.SetFrameRectangle({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
    const SettingsSaveResult saved = SettingsStore::Save(settingsPath_, r);
    if (!saved.Ok()) std::fprintf(stderr, "kivelo: settings not saved: %s\n", saved.message.c_str());
    return saved.Ok();
}

namespace {

const char kUsage[] =
    "Usage: kivelo [FILE]\n"
    "Shows QV-series waveform records (.wvf with its .hdr, .rtm, .fld) in the Main, Zoom,\n"
    "History and XY windows. FILE is opened at start, as File > Open would.\n"
    "Settings: kivelo.stp beside the program when that folder is writable, else\n"
    "$XDG_CONFIG_HOME/kivelo/kivelo.stp; KIVELO_SETTINGS=FILE names it.\n"
    "KIVELO_COMM_LOG=FILE logs every command and answer exchanged with an instrument.\n";

}  // namespace

int RunKivelo(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("Waveform Viewer  Version  1.10 (Kivelo)");
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kivelo"));
    QApplication::setOrganizationName(QStringLiteral("Kivelo"));
    // No display name: the platform would append it to every caption.
    QApplication::setDesktopFileName(QStringLiteral("io.github.kivelo.Kivelo"));

    QString file;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i].startsWith(QLatin1Char('-')) && file.isEmpty() && args[i] != QStringLiteral("-")) {
            std::fprintf(stderr, "kivelo: unknown option %s\n%s", qPrintable(args[i]), kUsage);
            return 2;
        }
        if (file.isEmpty()) file = args[i];
    }

    CQtUiSeam ui;
    CKiveloApp kivelo(ui, SettingsStore::ResolvePath(std::getenv));
    kivelo.LoadSettings();
    const CQuitOnSignal quitOnSignal([&kivelo] { kivelo.Frame().close(); });
    kivelo.Frame().SetStuckExit([&kivelo] {
        // A worker hung in the file system holds the document: no destructor may run under it.
        kivelo.SaveSettings();
        std::fflush(nullptr);
        std::_Exit(0);
    });
    if (kivelo.StartsMaximised()) kivelo.Frame().showMaximized();
    else kivelo.Frame().show();
    ShowSplash(kivelo.Frame());  // over the frame
    if (!file.isEmpty()) {
        QTimer::singleShot(0, &kivelo.Frame(), [&kivelo, file] { kivelo.Frame().OpenPath(file); });
    }
    const int rc = QApplication::exec();
    kivelo.SaveSettings();
    return rc;
}

}  // namespace kivelo::app
