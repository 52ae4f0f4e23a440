#pragma once

#include "serial/core/PortThread.h"
#include "serial/core/ReceiveCredits.h"
#include "serial/win32/Overlapped.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <windows.h>

// Reads the port with overlapped reads of up to 2048 bytes: the driver ends each read by
// the timeouts the component set (by default once the line has been quiet for 100 ms after
// a byte), and each read is one chunk, posted as a fresh copy. Beside it the thread waits
// for line errors and modem-line changes. While ReceiveCredits::kLimit chunks await the
// owner, no read is issued.
class TReadThread : public PortThread {
public:
    static constexpr DWORD kChunkSize = 2048;

    using PortThread::PortThread;

private:
    enum class Step { Going, Stop };

    void run() override;
    void loop(Overlapped& read, Overlapped& status);
    Step startRead(Overlapped& read);
    Step readDone(DWORD count);
    Step startStatusWait(Overlapped& status);
    Step statusFailed(DWORD error);
    Step handleMask(DWORD mask);
    Step failed(DWORD error);
    std::optional<ReceiveCredit> awaitCredit();

    HANDLE port() const { return static_cast<HANDLE>(ctx_->port); }

    uint8_t buffer_[kChunkSize];
    std::optional<ReceiveCredit> credit_; // the place of the read in flight
    DWORD statusMask_ = 0;                // the line-status events waited for
    DWORD mask_ = 0;                      // filled by the pending line-status wait
    bool watching_ = true;
    std::shared_ptr<ReceiveCredits> credits_;
};
