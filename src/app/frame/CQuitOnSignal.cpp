#include "app/frame/CQuitOnSignal.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace kivelo::app {
namespace {

// The handler may only write to a descriptor; the notifier reads it on the UI thread.
int g_signalPipe[2] = {-1, -1};  // written by the signal handler only

extern "C" void OnQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
}

}  // namespace

CQuitOnSignal::CQuitOnSignal(std::function<void()> quit, QObject* parent) : QObject(parent), quit_(std::move(quit)) {
    if (g_signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
    // Neither end may block: not the handler's write, not the drain below.
    for (int fd : g_signalPipe) ::fcntl(fd, F_SETFL, O_NONBLOCK);
    notifier_ = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(g_signalPipe[1], buffer, sizeof buffer) > 0) {}
        if (quit_) quit_();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

CQuitOnSignal::~CQuitOnSignal() {
    if (!notifier_) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
}

}  // namespace kivelo::app
