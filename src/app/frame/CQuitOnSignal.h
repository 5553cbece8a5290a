#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl+C in a terminal) close the
// main frame the normal way, so the settings are written as at any exit.
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace kivelo::app {

class CQuitOnSignal : public QObject {
    Q_OBJECT
public:
    // `quit` runs on the user-interface thread after a signal arrived.
    explicit CQuitOnSignal(std::function<void()> quit, QObject* parent = nullptr);
    ~CQuitOnSignal() override;
    CQuitOnSignal(const CQuitOnSignal&) = delete;
    CQuitOnSignal& operator=(const CQuitOnSignal&) = delete;

private:
    std::function<void()> quit_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kivelo::app
