#include "serial/posix/WriteThread.h"

#include "serial/core/Notice.h"

#include <cerrno>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

TWriteThread::TWriteThread(std::shared_ptr<PortContext> context)
    : PortThread(std::move(context)), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (wake_ < 0) throw std::system_error(errno, std::generic_category());
}

TWriteThread::~TWriteThread() { ::close(wake_); }

bool TWriteThread::post(std::unique_ptr<uint8_t[]> copy, uint16_t count)
{
    if (!running()) return false;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(copy), count});
    }
    const uint64_t one = 1;
    return ::write(wake_, &one, sizeof one) == sizeof one;
}

bool TWriteThread::take(Request& out)
{
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    out = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

void TWriteThread::hangUp() { ctx_->post(kNotifyRequestHangup); }

void TWriteThread::run()
{
    bool notifyWhenEmpty = true;
    for (;;) {
        Request request;
        if (!take(request)) {
            ctx_->sendEmpty = true;
            if (notifyWhenEmpty) {
                ctx_->post(kNotifySendEmpty);
                notifyWhenEmpty = false;
            }
            pollfd fds[2] = {{ctx_->closeEvent.native(), POLLIN, 0}, {wake_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                hangUp();
                break;
            }
            if (fds[0].revents) break;
            uint64_t count;
            [[maybe_unused]] auto n = ::read(wake_, &count, sizeof count);
            continue;
        }
        if (ctx_->closeSignalled() || !writeAll(request)) break;
        notifyWhenEmpty = true;
    }
    ::tcflush(ctx_->port, TCOFLUSH); // whatever was still queued is dropped
    ctx_->sendEmpty = true;
}

bool TWriteThread::writeAll(const Request& request)
{
    const bool toggleRts = ctx_->softwareRtsToggle;
    int rts = TIOCM_RTS;
    if (toggleRts) ioctl(ctx_->port, TIOCMBIS, &rts);
    size_t written = 0;
    bool ok = true;
    while (ok && written < request.count)
        ok = writeSome(request.bytes.get() + written, request.count - written, written);
    if (toggleRts) {
        if (ok) ok = waitUntilSent(); // keep RTS up until the last stop bit has left
        ioctl(ctx_->port, TIOCMBIC, &rts);
    }
    return ok;
}

bool TWriteThread::waitUntilSent()
{
    // tcdrain() would block past a close (a line held by flow control never drains), so
    // the driver's queue and shift register are looked at between short waits on the close
    // event instead. Drivers that cannot say whether the shift register is empty count as
    // empty once their queue is.
    for (;;) {
        int queued = 0;
        if (ioctl(ctx_->port, TIOCOUTQ, &queued) != 0) return true;
        unsigned int lineStatus = TIOCSER_TEMT;
        if (queued == 0) ioctl(ctx_->port, TIOCSERGETLSR, &lineStatus);
        if (queued == 0 && (lineStatus & TIOCSER_TEMT)) return true;
        pollfd closing{ctx_->closeEvent.native(), POLLIN, 0};
        if (::poll(&closing, 1, 1) != 0) return false;
    }
}

bool TWriteThread::writeSome(const uint8_t* data, size_t size, size_t& written)
{
    const ssize_t n = ::write(ctx_->port, data, size);
    if (n > 0) {
        written += static_cast<size_t>(n);
        return true;
    }
    if (n < 0 && errno == EBADF) return false; // descriptor gone: end quietly
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        // The driver's queue is full: wait until it drains or the port closes.
        pollfd fds[2] = {{ctx_->closeEvent.native(), POLLIN, 0}, {ctx_->port, POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            hangUp();
            return false;
        }
        if (fds[0].revents) return false;
        if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            hangUp();
            return false;
        }
        return true;
    }
    hangUp(); // EIO, ENXIO: the device went away
    return false;
}
