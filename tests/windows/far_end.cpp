// far-end LINK: a far end that floods. Makes a pseudo-terminal, links its port side at
// LINK, and writes to it without a pause (never reading) until stopped by a signal. Built
// for the machine that runs wine, by scripts/windows-test.sh.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t stopping = 0;
void onSignal(int) { stopping = 1; }
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: far-end LINK\n");
        return 2;
    }
    int master = -1, slave = -1;
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    ::unlink(argv[1]);
    if (::symlink(name, argv[1]) != 0) {
        std::perror("symlink");
        return 1;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    char block[4096];
    std::memset(block, 'A', sizeof block);
    while (!stopping) {
        // The slave stays open here, so the line never hangs up while the port is closed.
        pollfd p{master, POLLOUT, 0};
        if (::poll(&p, 1, 100) > 0 && ::write(master, block, sizeof block) < 0 && errno != EAGAIN)
            ::usleep(10000);
    }
    ::unlink(argv[1]);
    return 0;
}
