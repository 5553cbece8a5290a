#pragma once
// What the export and print tests share: generated records, kivelo-cli runs
// and a cancel of long work.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "ProgramFixture.h"
#include "Wavegen.h"
#include "app/frame/CMainFrame.h"
#include "app/ui/CBusyWindow.h"

namespace kivelo::app::test {

// Three IS2 traces of 4000 samples in two blocks, HResolution 0.001, HOffset -0.5.
inline QString MakeWvf(const QString& dir, const QString& name, int traces = 3, int64_t samples = 4000) {
    wavegen::WvfDesc desc;
    desc.header.hResolution = 0.001;
    desc.header.hOffset = -0.5;
    desc.traces = wavegen::MakeTraces(traces, "IS2", wavegen::Signal::Sine, 1000);
    desc.samples = samples;
    desc.blocks = 2;
    const QString path = QDir(dir).filePath(name);
    if (!wavegen::WriteWvf(path.toStdString(), desc).ok) qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Four channels of `samples` acquisition samples (1/100 and 1/1000 regions beside them).
inline QString MakeRtm(const QString& dir, const QString& name, int64_t samples = 250000) {
    wavegen::RtmDesc desc;
    desc.samples = samples;
    desc.signal.kind = wavegen::Signal::Counter;
    const QString path = QDir(dir).filePath(name);
    if (!wavegen::WriteRtm(path.toStdString(), desc).ok) qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The records the cases open, generated once per test program.
struct Records {
    QTemporaryDir dir;
    QString wvf = MakeWvf(dir.path(), "three.wvf");
    QString rtm = MakeRtm(dir.path(), "four.rtm");
};
inline const Records& SharedRecords() {
    static const Records records;
    return records;
}

// kivelo-cli's exit code.
inline int RunCli(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(KIVELO_BINARY_DIR "/bin/kivelo-cli"), args);
    if (!p.waitForFinished(120000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Clicks the busy window's Cancel as soon as long work runs.
class CancelWhenBusy {
public:
    explicit CancelWhenBusy(CMainFrame& frame) {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [&frame, this] {
            if (!frame.Busy().Running()) return;
            if (auto* b = frame.Busy().findChild<QWidget*>(QStringLiteral("busyCancel"))) {
                QMetaObject::invokeMethod(b, "click");
                clicked_ = true;
            }
        });
        timer_.start();
    }
    bool Clicked() const { return clicked_; }

private:
    QTimer timer_;
    bool clicked_ = false;
};

}  // namespace kivelo::app::test
