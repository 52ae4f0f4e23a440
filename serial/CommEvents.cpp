#include "serial/CommEvents.h"

#include <QCoreApplication>

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

bool postNotification(QObject* target, CommNotice&& notice)
{
    if (!target) return false;
    auto* event = new CommNotification(std::move(notice));
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
