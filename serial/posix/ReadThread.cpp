#include "serial/posix/ReadThread.h"

#include "serial/core/Notice.h"
#include "serial/posix/LineStatus.h"
#include "serial/posix/ModemWatcher.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <poll.h>
#include <system_error>
#include <sys/ioctl.h>
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

std::optional<ReceiveCredit> TReadThread::awaitCredit()
{
    // A free place is taken at once. Only a full pool clears the wake-up before looking
    // again, so that a place given back between the two looks is not missed.
    if (auto credit = credits_->take()) return credit;
    for (;;) {
        credits_->clearReady();
        if (auto credit = credits_->take()) return credit;
        pollfd fds[2] = {{ctx_->closeEvent.native(), POLLIN, 0}, {credits_->ready().native(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "poll"); // ends in a hang-up
        if (fds[0].revents) return std::nullopt;
    }
}

bool TReadThread::deliver()
{
    if (held_ == 0) return true;
    auto credit = awaitCredit();
    if (!credit) return false;
    // The copy may fail for want of memory; the thread then ends with a hang-up.
    ctx_->post(kNotifyReceiveData, static_cast<uint16_t>(held_), 0,
               copyWithTerminator(buffer_, held_), std::move(*credit));
    held_ = 0;
    return true;
}

size_t TReadThread::keep(uint8_t* data, size_t size)
{
    if (ctx_->markedErrors)
        size = marks_.unmark(data, size, ctx_->replaceMarked,
                             static_cast<uint8_t>(ctx_->replacement.load()));
    else
        marks_.reset();
    if (ctx_->ignoreNullChar) size = static_cast<size_t>(std::remove(data, data + size, 0) - data);
    return size;
}

TReadThread::Drained TReadThread::drain(short revents)
{
    // Takes what the driver holds, at most one chunk's worth, so that the close event is
    // looked at again between chunks even while the far end sends without a pause.
    for (;;) {
        const ssize_t got = ::read(ctx_->port, buffer_ + held_, kChunkSize - held_);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN)
            // Nothing to read although poll woke us: a hang-up or error that read does not
            // report would otherwise wake poll again at once, for ever.
            return (revents & (POLLHUP | POLLERR)) ? Drained::Vanished : Drained::Empty;
        // The device vanished (unplugged, or the far side of a pseudo-terminal closed): a
        // read of 0 after a hang-up is not an empty chunk to retry.
        if (got <= 0) return Drained::Vanished;
        held_ += keep(buffer_ + held_, static_cast<size_t>(got));
        if (held_ == kChunkSize) return Drained::ChunkFull;
    }
}

void TReadThread::run()
{
    credits_ = ReceiveCredits::make();
    LineStatus errors(ctx_->port, LineStatus::Watch::Errors);
    // Modem-line changes come without data, so they are waited for on a thread of their own,
    // and only when the owner listens for them (drivers without line counters, such as
    // pseudo-terminals, have none to report).
    std::optional<LineStatus> modemLines;
    std::optional<ModemWatcher> modemWatcher;
    if (ctx_->watchModemLines && errors.supported()) {
        modemLines.emplace(ctx_->port, LineStatus::Watch::ModemLines);
        const int fd = ctx_->port;
        modemWatcher.emplace([fd] { return ioctl(fd, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG); },
                             [this, &modemLines] { modemLines->report(*ctx_); });
    }
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
        if (held_ > 0 && interval.count() > 0) deadline = std::min(deadline, lastByte + interval);

        pollfd fds[2] = {{ctx_->closeEvent.native(), POLLIN, 0}, {ctx_->port, POLLIN, 0}};
        const int ready = ::poll(fds, 2, msUntil(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            ctx_->post(kNotifyRequestHangup);
            break;
        }
        if (fds[0].revents) break; // closing
        if (ready == 0) {
            if (Clock::now() < deadline) continue;
            if (!deliver()) break; // a read that timed out empty is simply issued again
            readStart = Clock::now();
            continue;
        }
        if (fds[1].revents & POLLNVAL) break; // descriptor gone: end quietly

        const size_t before = held_;
        const Drained drained = drain(fds[1].revents);
        if (held_ != before || drained == Drained::ChunkFull) lastByte = Clock::now();
        if (drained == Drained::ChunkFull) {
            if (!deliver()) break;
            readStart = lastByte;
        }
        if (drained == Drained::Vanished) {
            if (deliver()) ctx_->post(kNotifyRequestHangup);
            break;
        }
        errors.report(*ctx_);
        // Drivers without counters cannot say which error a marked byte carried.
        if (marks_.takeErrorCount() && !errors.supported())
            ctx_->post(kNotifyReceiveError, 0, LineStatus::kRxParity);
    }
    ::tcflush(ctx_->port, TCIFLUSH);
}
