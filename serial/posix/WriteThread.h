#pragma once

#include "serial/core/PortThread.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

// Writes queued requests to the port in order, each completely before the next, and
// reports when the queue has run empty.
class TWriteThread : public PortThread {
public:
    explicit TWriteThread(std::shared_ptr<PortContext> context);
    ~TWriteThread() override;

    // Queues a copy of the bytes; false if the request cannot be handed over.
    bool post(std::unique_ptr<uint8_t[]> copy, uint16_t count);

private:
    struct Request {
        std::unique_ptr<uint8_t[]> bytes;
        uint16_t count = 0;
    };

    void run() override;
    bool take(Request& out);
    bool writeAll(const Request& request);
    bool writeSome(const uint8_t* data, size_t size, size_t& written);
    bool waitUntilSent();
    void hangUp();

    // eventfd counting queued requests not yet noticed; closed with the object, which the
    // running thread itself keeps alive
    int wake_;
    std::mutex mutex_;
    std::deque<Request> queue_;
};
