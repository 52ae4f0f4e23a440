#include "tests/support/PtyPair.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256];
    if (openpty(&master_, &slaveKeep_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name;
    termios t{};
    tcgetattr(slaveKeep_, &t);
    cfmakeraw(&t);
    tcsetattr(slaveKeep_, TCSANOW, &t);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (slaveKeep_ >= 0) ::close(slaveKeep_);
}

void PtyPair::closeMaster()
{
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyPair::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

QByteArray PtyPair::readQuiet(int quietMs, int limitMs)
{
    using Clock = std::chrono::steady_clock;
    const auto limit = Clock::now() + std::chrono::milliseconds(limitMs);
    QByteArray out;
    char buf[4096];
    while (Clock::now() < limit) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now());
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, out.isEmpty() ? int(left.count()) : quietMs) <= 0) break;
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, n);
    }
    return out;
}

double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
