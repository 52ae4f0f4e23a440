#include "serial/PortContext.h"

#include "serial/CommEvents.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

PortContext::~PortContext()
{
    ioctl(fd, TIOCNXCL); // the port stays a tty after us: let the next program open it
    ::close(fd);
    ::close(closeEvent);
}

void PortContext::signalClose() const
{
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(closeEvent, &one, sizeof one);
}

bool PortContext::closeSignalled() const
{
    pollfd p{closeEvent, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

void PortContext::post(int kind, uint16_t count, uint32_t value,
                       std::unique_ptr<uint8_t[]> data, ReceiveCredit credit) const noexcept
{
    try {
        std::lock_guard lock(targetLock_);
        postNotification(target_, static_cast<CommNotify>(kind), count, value, std::move(data),
                         std::move(credit));
    } catch (...) {
        // No memory for the event: the notification is lost, the thread goes on.
    }
}

void PortContext::detach()
{
    std::lock_guard lock(targetLock_);
    target_ = nullptr;
}
