#include "PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, nullptr, &raw, nullptr) != 0)
        return;
    if (const char* name = ttyname(slave_))
        slavePath_ = name;
}

PtyPair::~PtyPair()
{
    if (master_ >= 0)
        close(master_);
    if (slave_ >= 0)
        close(slave_);
}

void PtyPair::Send(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

std::string PtyPair::Receive(std::size_t n)
{
    std::string got;
    while (got.size() < n) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 3000) <= 0)
            break;
        char buffer[4096];
        const std::size_t want = std::min(sizeof buffer, n - got.size());
        const ssize_t r = read(master_, buffer, want);
        if (r <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(r));
    }
    return got;
}

bool PtyPair::SlaveHasInput(int waitMs) const
{
    pollfd p{slave_, POLLIN, 0};
    return poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN) != 0;
}
