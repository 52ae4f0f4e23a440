#include "serial/core/ManualEvent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

// An eventfd: readable while its count is above zero, so a write sets it and a read
// (which takes the whole count) resets it.
ManualEvent::ManualEvent() : handle_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (handle_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

ManualEvent::ManualEvent(ManualEvent&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

ManualEvent::~ManualEvent()
{
    if (handle_ >= 0) ::close(handle_);
}

void ManualEvent::set() const
{
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(handle_, &one, sizeof one);
}

void ManualEvent::reset() const
{
    uint64_t count;
    [[maybe_unused]] auto n = ::read(handle_, &count, sizeof count);
}

bool ManualEvent::isSet() const
{
    pollfd p{handle_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}
