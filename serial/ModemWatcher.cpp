#include "serial/ModemWatcher.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <pthread.h>

namespace {

int wakeSignal() { return SIGRTMIN + 3; }

void ignoreWake(int) {}

// The handler does nothing; installed without SA_RESTART, the signal makes a blocked
// ioctl return EINTR.
void installWakeHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action{};
        action.sa_handler = ignoreWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(wakeSignal(), &action, nullptr);
    });
}

} // namespace

ModemWatcher::ModemWatcher(std::function<int()> wait, std::function<void()> onChange)
{
    installWakeHandler();
    thread_ = std::thread([this, wait = std::move(wait), onChange = std::move(onChange)] {
        while (!stop_) {
            if (wait() == 0) {
                onChange();
            } else if (errno != EINTR) {
                break; // the driver cannot wait, or the device went away
            }
        }
        ended_.set_value();
    });
}

ModemWatcher::~ModemWatcher()
{
    stop_ = true;
    std::future<void> ended = ended_.get_future();
    // A signal that lands just before the wait begins is lost; the next one is not.
    for (int tries = 0; tries < 2000; ++tries) {
        pthread_kill(thread_.native_handle(), wakeSignal());
        if (ended.wait_for(std::chrono::milliseconds(5)) == std::future_status::ready) {
            thread_.join();
            return;
        }
    }
    thread_.detach(); // never seen: the wait ignores signals
}
