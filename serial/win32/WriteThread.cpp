#include "serial/win32/WriteThread.h"

bool TWriteThread::post(std::unique_ptr<uint8_t[]> copy, uint16_t count)
{
    if (!running()) return false;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(copy), count});
    }
    queued_.set();
    return true;
}

bool TWriteThread::take(Request& out)
{
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    out = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

bool TWriteThread::fail(DWORD error)
{
    if (!handleGone(error)) ctx_->post(kNotifyRequestHangup);
    return false;
}

void TWriteThread::run()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    Overlapped write(port());
    bool notifyWhenEmpty = true;
    for (;;) {
        // Cleared before the queue is looked at, so a request queued after the look sets it
        // again and the wait below ends at once.
        queued_.reset();
        Request request;
        if (!take(request)) {
            ctx_->sendEmpty = true;
            if (notifyWhenEmpty) {
                ctx_->post(kNotifySendEmpty);
                notifyWhenEmpty = false;
            }
            const HANDLE events[2] = {ctx_->closeEvent.native(), queued_.native()};
            const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
            if (which == WAIT_OBJECT_0) break;
            if (which != WAIT_OBJECT_0 + 1) {
                ctx_->post(kNotifyRequestHangup);
                break;
            }
            continue;
        }
        if (ctx_->closeSignalled() || !writeAll(request, write)) break;
        notifyWhenEmpty = true;
    }
    write.finish();
    PurgeComm(port(), PURGE_TXABORT | PURGE_TXCLEAR); // whatever was still queued is dropped
    ctx_->sendEmpty = true;
}

bool TWriteThread::writeAll(const Request& request, Overlapped& write)
{
    const bool toggleRts = ctx_->softwareRtsToggle;
    if (toggleRts) EscapeCommFunction(port(), SETRTS);
    DWORD written = 0;
    bool ok = true;
    while (ok && written < request.count)
        ok = writeSome(request.bytes.get() + written, request.count - written, written, write);
    if (toggleRts) {
        if (ok) ok = waitUntilSent(); // keep RTS up until the last byte has left
        EscapeCommFunction(port(), CLRRTS);
    }
    return ok;
}

bool TWriteThread::waitUntilSent()
{
    // The driver's queue is looked at between short waits on the close event, so a line
    // held by flow control cannot hold a close. After the queue, the byte in the UART's
    // shift register takes up to one character time (at most 12 bits).
    for (;;) {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(port(), &errors, &stat) || stat.cbOutQue == 0) break;
        if (WaitForSingleObject(ctx_->closeEvent.native(), 1) == WAIT_OBJECT_0) return false;
    }
    const uint32_t baud = ctx_->baudRate;
    const DWORD characterMs = baud ? DWORD((12000 + baud - 1) / baud) : 1;
    return WaitForSingleObject(ctx_->closeEvent.native(), characterMs) != WAIT_OBJECT_0;
}

bool TWriteThread::writeSome(const uint8_t* data, DWORD size, DWORD& written, Overlapped& write)
{
    DWORD count = 0;
    if (WriteFile(port(), data, size, nullptr, write.fresh())) {
        GetOverlappedResult(port(), &write.record, &count, FALSE);
        written += count;
        return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return fail(error);
    write.pending = true;
    const HANDLE events[2] = {ctx_->closeEvent.native(), write.done.native()};
    const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0 + 1) {
        const DWORD error = GetLastError();
        write.finish(); // the driver lets go of the request's bytes before they are freed
        return which == WAIT_OBJECT_0 ? false : fail(error);
    }
    if (!write.result(count)) return fail(GetLastError());
    written += count;
    return true;
}
