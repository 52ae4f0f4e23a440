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

void PortContext::post(int kind, uint16_t count, uint32_t value) const
{
    if (!abandoned) postNotification(target, static_cast<CommNotify>(kind), count, value);
}
