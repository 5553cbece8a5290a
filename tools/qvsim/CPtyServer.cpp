#include "CPtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kivelo::qvsim {
namespace {
constexpr std::size_t kChunk = 65536;
}

CPtyServer::CPtyServer(CQvSimulator& instrument) : m_instrument(instrument) {
    // A serial instrument streams: a new command does not cancel an answer in flight.
    m_instrument.SetInterruptUnread(false);
}

CPtyServer::~CPtyServer() = default;

std::string CPtyServer::Open() {
    m_master.Reset(::posix_openpt(O_RDWR | O_NOCTTY));
    if (!m_master.IsOpen()) return std::string("posix_openpt: ") + std::strerror(errno);
    if (::grantpt(m_master.Get()) != 0 || ::unlockpt(m_master.Get()) != 0)
        return std::string("grantpt/unlockpt: ") + std::strerror(errno);
    const char* name = ::ptsname(m_master.Get());
    if (name == nullptr) return std::string("ptsname: ") + std::strerror(errno);
    m_slavePath = name;
    m_slave.Reset(::open(name, O_RDWR | O_NOCTTY));
    if (!m_slave.IsOpen()) return m_slavePath + ": " + std::strerror(errno);
    termios tio{};
    if (::tcgetattr(m_slave.Get(), &tio) == 0) {
        ::cfmakeraw(&tio);  // no echo, no line editing: binary blocks pass unchanged
        ::tcsetattr(m_slave.Get(), TCSANOW, &tio);
    }
    ::fcntl(m_master.Get(), F_SETFL, ::fcntl(m_master.Get(), F_GETFL) | O_NONBLOCK);
    return {};
}

bool CPtyServer::HasOutput() const { return m_chunkPos < m_chunk.size() || !m_instrument.Output().Empty(); }

bool CPtyServer::Flush() {
    // clang-format off
  while (HasOutput()) {
    if (m_chunkPos == m_chunk.size()) {
      m_chunk.resize(kChunk);
      const auto r = m_instrument.Output().Read(m_chunk, -1);
      m_chunk.resize(r.count);
      m_chunkPos = 0;
      continue;
            // clang-format on
        }
        const ssize_t n = ::write(m_master.Get(), m_chunk.data() + m_chunkPos, m_chunk.size() - m_chunkPos);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        m_chunkPos += static_cast<std::size_t>(n);
    }
    return true;
}

void CPtyServer::WaitUntilRead() {
    // Written bytes reach the line's input queue a moment later, so an empty
    // queue only counts when it stays empty; the peer gets five seconds.
    int emptyChecks = 0;
    for (int i = 0; i < 500 && emptyChecks < 5; ++i) {
        ::usleep(10000);
        int queued = 0;
        if (::ioctl(m_slave.Get(), FIONREAD, &queued) != 0) return;
        emptyChecks = queued == 0 ? emptyChecks + 1 : 0;
    }
}

int CPtyServer::Serve(long exitAfter, bool watchStdin) {
    std::vector<std::uint8_t> input(4096);
    while (true) {
        if (exitAfter > 0 && m_instrument.MessageCount() >= exitAfter && !HasOutput()) {
            WaitUntilRead();
            return 0;
        }
        pollfd fds[2] = {{m_master.Get(), static_cast<short>(POLLIN | (HasOutput() ? POLLOUT : 0)), 0},
                         {STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, watchStdin ? 2 : 1, -1) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(m_master.Get(), input.data(), input.size());
            if (n > 0) m_instrument.Write(std::span(input.data(), static_cast<std::size_t>(n)), false);
        }
        if (!Flush()) return 1;
        // The adapter is pulled: the device goes with the process.
        if (m_instrument.Unplugged() && !HasOutput()) return 0;
        if (watchStdin && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char scratch[256];
            if (::read(STDIN_FILENO, scratch, sizeof scratch) <= 0) return 0;
        }
    }
}

}  // namespace kivelo::qvsim
