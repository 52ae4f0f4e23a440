#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "serial/PortContext.h"

// A worker that runs while the port is open and ends when the close event is signalled.
class PortThread {
public:
    explicit PortThread(std::shared_ptr<PortContext> context) : ctx_(std::move(context)) {}
    virtual ~PortThread() { stop(std::chrono::milliseconds(10000)); }
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Throws std::system_error when no thread can be created.
    void start()
    {
        std::promise<void> done;
        ended_ = done.get_future();
        thread_ = std::thread([this, done = std::move(done)]() mutable {
            run();
            done.set_value();
        });
    }

    // Waits for the thread to end. A thread that does not end in time is left to finish
    // on its own; it holds the shared context, which keeps its descriptors valid.
    void stop(std::chrono::milliseconds limit)
    {
        if (!thread_.joinable()) return;
        if (ended_.wait_for(limit) == std::future_status::ready) {
            thread_.join();
        } else {
            ctx_->abandoned = true;
            thread_.detach();
        }
    }

    bool running() const
    {
        return thread_.joinable() &&
               ended_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
    }

protected:
    virtual void run() = 0;
    const std::shared_ptr<PortContext> ctx_;

private:
    std::thread thread_;
    std::future<void> ended_;
};
