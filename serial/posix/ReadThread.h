#pragma once

#include "serial/posix/ErrorMarks.h"
#include "serial/core/PortThread.h"
#include "serial/core/ReceiveCredits.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

// Reads the port in chunks: a chunk ends when the line has been quiet for longer than the
// read interval after its last byte, or when 2048 bytes are buffered. Each chunk is posted
// to the user-interface thread as a fresh copy; line errors and modem changes follow it.
// While ReceiveCredits::kLimit chunks await the owner, the thread reads no further.
class TReadThread : public PortThread {
public:
    static constexpr size_t kChunkSize = 2048;

    using PortThread::PortThread;

private:
    enum class Drained { Empty, ChunkFull, Vanished };

    void run() override;
    Drained drain(short revents);
    size_t keep(uint8_t* data, size_t size);
    // Posts the held bytes once the owner has room; false when the port closes first.
    bool deliver();
    std::optional<ReceiveCredit> awaitCredit();

    uint8_t buffer_[kChunkSize];
    size_t held_ = 0;
    ErrorMarks marks_;
    std::shared_ptr<ReceiveCredits> credits_;
};
