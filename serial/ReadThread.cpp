#include "serial/ReadThread.h"

#include "serial/CommEvents.h"
#include "serial/LineStatus.h"
#include "serial/ModemWatcher.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sys/ioctl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from now to the deadline, rounded up; -1 waits without limit.
int msUntil(Clock::time_point deadline)
{
    if (deadline == Clock::time_point::max()) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

} // namespace

void TReadThread::deliver(const uint8_t* data, size_t size)
{
    if (size == 0) return;
    if (!ctx_->abandoned)
        postNotification(ctx_->target, kNotifyReceiveData, static_cast<uint16_t>(size), 0,
                         copyWithTerminator(data, size));
}

void TReadThread::hangUp() { ctx_->post(kNotifyRequestHangup); }

void TReadThread::run()
{
    LineStatus errors(ctx_->fd, LineStatus::Watch::Errors);
    // Modem-line changes come without data, so they are waited for on a thread of their own
    // (drivers without line counters, such as pseudo-terminals, have none to report).
    std::optional<LineStatus> modemLines;
    std::optional<ModemWatcher> modemWatcher;
    if (errors.supported()) {
        modemLines.emplace(ctx_->fd, LineStatus::Watch::ModemLines);
        const int fd = ctx_->fd;
        modemWatcher.emplace([fd] { return ioctl(fd, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG); },
                             [this, &modemLines] { modemLines->report(*ctx_); });
    }
    uint8_t buffer[kChunkSize];
    size_t held = 0;
    Clock::time_point lastByte{};
    Clock::time_point readStart = Clock::now();

    for (;;) {
        const auto interval = std::chrono::milliseconds(ctx_->readInterval.load());
        const auto total = std::chrono::milliseconds(
            uint64_t(ctx_->readTotalMultiplier) * kChunkSize + ctx_->readTotalConstant);
        // With no total limit the first byte is awaited for ever; after it, the interval
        // limit (when set) ends the chunk.
        Clock::time_point deadline = Clock::time_point::max();
        if (total.count() > 0) deadline = readStart + total;
        if (held > 0 && interval.count() > 0) deadline = std::min(deadline, lastByte + interval);

        pollfd fds[2] = {{ctx_->closeEvent, POLLIN, 0}, {ctx_->fd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, msUntil(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            hangUp();
            break;
        }
        if (fds[0].revents) break; // closing
        if (ready == 0) {
            if (Clock::now() < deadline) continue;
            deliver(buffer, held); // a read that timed out empty is simply issued again
            held = 0;
            readStart = Clock::now();
            continue;
        }
        if (fds[1].revents & POLLNVAL) break; // descriptor gone: end quietly

        // Take everything the driver holds before waiting again.
        bool vanished = false;
        for (;;) {
            const ssize_t got = ::read(ctx_->fd, buffer + held, kChunkSize - held);
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) break;
            if (got <= 0) {
                // The device vanished (unplugged, or the far side of a pseudo-terminal
                // closed): a read of 0 after a hang-up is not an empty chunk to retry.
                vanished = true;
                break;
            }
            size_t kept = static_cast<size_t>(got);
            if (ctx_->ignoreNullChar)
                kept = static_cast<size_t>(std::remove(buffer + held, buffer + held + kept, 0) -
                                           (buffer + held));
            held += kept;
            lastByte = Clock::now();
            if (held == kChunkSize) {
                deliver(buffer, held);
                held = 0;
                readStart = lastByte;
            }
        }
        if (vanished) {
            deliver(buffer, held);
            hangUp();
            break;
        }
        errors.report(*ctx_);
    }
    ::tcflush(ctx_->fd, TCIFLUSH);
}
