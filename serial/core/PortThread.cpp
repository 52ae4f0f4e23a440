#include "serial/core/PortThread.h"

#include "serial/core/Notice.h"

PortThread::~PortThread()
{
    // Reached on the owner's thread after stop() joined, or on the worker itself once it has
    // been left to finish and lets go of its own reference.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void PortThread::start()
{
    std::promise<void> done;
    ended_ = done.get_future();
    thread_ = std::thread([self = shared_from_this(), done = std::move(done)]() mutable {
        self->runReporting();
        done.set_value();
    });
}

void PortThread::runReporting() noexcept
{
    // A failure inside the thread (no memory for a chunk, no helper thread) ends it like
    // any other fault of the line: the owner hears of it as a hang-up.
    try {
        run();
    } catch (...) {
        ctx_->post(kNotifyRequestHangup);
    }
}

bool PortThread::stop(std::chrono::milliseconds limit)
{
    if (!thread_.joinable()) return true;
    if (ended_.wait_for(limit) == std::future_status::ready) {
        thread_.join();
        return true;
    }
    thread_.detach();
    return false;
}

bool PortThread::running() const
{
    return thread_.joinable() &&
           ended_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}
