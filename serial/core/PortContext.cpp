#include "serial/core/PortContext.h"

#include <cstring>

std::unique_ptr<uint8_t[]> copyWithTerminator(const uint8_t* data, size_t size)
{
    auto copy = std::make_unique<uint8_t[]>(size + 1); // value-initialised: zero-filled
    if (size) std::memcpy(copy.get(), data, size);
    return copy;
}

void PortContext::post(CommNotify kind, uint16_t count, uint32_t value,
                       std::unique_ptr<uint8_t[]> data, ReceiveCredit credit) const noexcept
{
    try {
        std::lock_guard lock(postLock_);
        if (post_) post_(CommNotice{kind, count, value, std::move(data), std::move(credit)});
    } catch (...) {
        // No memory for the notice: it is lost, the thread goes on.
    }
}

void PortContext::detach()
{
    std::lock_guard lock(postLock_);
    post_ = nullptr;
}
