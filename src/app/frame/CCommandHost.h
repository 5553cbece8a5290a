#pragma once
// What a command module (export, printing, instruments, analysis) may ask of
// the frame. The frame implements it; modules never see the frame's class.
#include <QString>

#include <functional>

#include "app/ui/CDisplayActions.h"

class QMainWindow;

namespace kivelo {
class WaveDocument;
struct ReadMonitor;
}  // namespace kivelo

namespace kivelo::app {

class CBusyWindow;
class CUiSeam;
class CWindowArea;
class SettingsRecord;

class CCommandHost {
public:
    virtual ~CCommandHost();

    // The frame's window: parent of the modules' dialogs, what a picture of the frame grabs.
    virtual QMainWindow& Widget() = 0;
    // The four display windows.
    virtual CWindowArea& Area() = 0;
    virtual CBusyWindow& Busy() = 0;
    virtual WaveDocument& Document() = 0;
    virtual DisplayModel& Model() = 0;
    // The open document's reader; null without one.
    virtual CWaveFile* File() = 0;
    virtual SettingsRecord& Settings() = 0;
    virtual CUiSeam& Ui() = 0;
    virtual const ReadMonitor& Monitor() const = 0;

    // Gives a command of the table its handler (while the frame is made).
    virtual void Handle(int id, std::function<void()> handler) = 0;
    // Long work on the worker with the busy window showing `text`; false when cancelled.
    virtual bool RunBusy(const QString& text, const std::function<void()>& work,
                         const std::function<double()>& progress, const std::function<void()>& cancel) = 0;
    virtual bool OpenPath(const QString& path) = 0;
    virtual void CloseDocument() = 0;

    // Draws these windows now, in the order Main, Zoom, History, XY: for a picture
    // taken at once. Anything else marks the model's redraw marks.
    virtual void RedrawWindows(WindowMask windows) = 0;
    // Places the windows again; force moves every window.
    virtual void LayOutWindows(bool force) = 0;
};

}  // namespace kivelo::app
