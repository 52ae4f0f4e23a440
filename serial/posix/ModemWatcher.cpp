#include "serial/posix/ModemWatcher.h"

#include <cerrno>
#include <pthread.h>

namespace {

// Cancellation is allowed, and acted on at once, only while the blocking wait runs; the
// rest of the loop (notably onChange, which takes locks) can never be cut short.
class CancellableSpan {
public:
    CancellableSpan()
    {
        int old;
        pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &old);
        pthread_setcanceltype(PTHREAD_CANCEL_ASYNCHRONOUS, &old);
    }
    ~CancellableSpan()
    {
        int old;
        pthread_setcanceltype(PTHREAD_CANCEL_DEFERRED, &old);
        pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &old);
    }
    CancellableSpan(const CancellableSpan&) = delete;
    CancellableSpan& operator=(const CancellableSpan&) = delete;
};

} // namespace

ModemWatcher::ModemWatcher(std::function<int()> wait, std::function<void()> onChange)
    : wait_(std::move(wait)), onChange_(std::move(onChange)), thread_([this] { run(); })
{
}

void ModemWatcher::run()
{
    int old;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &old);
    while (!stop_) {
        int result;
        int err;
        {
            CancellableSpan span;
            result = wait_();
            err = errno;
        }
        if (result == 0)
            onChange_();
        else if (err != EINTR)
            break; // the driver cannot wait, or the device went away
    }
}

ModemWatcher::~ModemWatcher()
{
    stop_ = true;
    // A cancel that arrives outside the wait stays pending until the next wait begins,
    // which then ends at once; a thread that already left its loop is not touched by it.
    pthread_cancel(thread_.native_handle());
    thread_.join();
}
