#include "serial/CommEvents.h"

#include <QCoreApplication>
#include <cstring>

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VK_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define VK_THREAD_SANITIZER 1
#endif

#ifdef VK_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

std::unique_ptr<uint8_t[]> copyWithTerminator(const uint8_t* data, size_t size)
{
    auto copy = std::make_unique<uint8_t[]>(size + 1); // value-initialised: zero-filled
    if (size) std::memcpy(copy.get(), data, size);
    return copy;
}

bool postNotification(QObject* target, CommNotify kind, uint16_t count, uint32_t value,
                      std::unique_ptr<uint8_t[]> data, ReceiveCredit credit)
{
    if (!target) return false;
    auto* event = new CommNotification(kind, count, value, std::move(data), std::move(credit));
#ifdef VK_THREAD_SANITIZER
    __tsan_release(event);
#endif
    QCoreApplication::postEvent(target, event);
    return true;
}

void acceptNotification([[maybe_unused]] const QEvent* event)
{
#ifdef VK_THREAD_SANITIZER
    __tsan_acquire(const_cast<QEvent*>(event));
#endif
}
