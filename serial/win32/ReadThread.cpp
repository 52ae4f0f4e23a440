#include "serial/win32/ReadThread.h"

#include <system_error>

namespace {

// How a line-status wait ends on a driver that has no such events: cancelled at once (wine
// on a pseudo-terminal) or refused (drivers without modem lines). The events are then
// simply not watched; reading goes on.
bool statusUnsupported(DWORD error)
{
    return error == ERROR_OPERATION_ABORTED || error == ERROR_NOT_SUPPORTED;
}

} // namespace

void TReadThread::run()
{
    // The highest level below time-critical: a chunk should never wait for the scheduler.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    credits_ = ReceiveCredits::make();
    // Declared after the buffer and credits they use and ended before them: a pending
    // operation is cancelled and waited for as the records go, whatever ends the thread.
    Overlapped read(port()), status(port());
    // Line errors always; carrier and ring only when the owner listens for them.
    statusMask_ = EV_ERR | (ctx_->watchModemLines ? EV_RLSD | EV_RING : 0);
    if (!SetCommMask(port(), statusMask_) && statusFailed(GetLastError()) == Step::Stop) return;
    loop(read, status);
    read.finish();
    status.finish();
    PurgeComm(port(), PURGE_RXABORT | PURGE_RXCLEAR);
}

void TReadThread::loop(Overlapped& read, Overlapped& status)
{
    for (;;) {
        if (!read.pending && startRead(read) == Step::Stop) return;
        if (watching_ && !status.pending && startStatusWait(status) == Step::Stop) return;
        // When several are set the first wins, so a close is never kept waiting.
        const HANDLE events[3] = {ctx_->closeEvent.native(), read.done.native(),
                                  status.done.native()};
        const DWORD which = WaitForMultipleObjects(status.pending ? 3 : 2, events, FALSE, INFINITE);
        DWORD count = 0;
        Step step = Step::Stop;
        if (which == WAIT_OBJECT_0) return;
        if (which == WAIT_OBJECT_0 + 1)
            step = read.result(count) ? readDone(count) : failed(GetLastError());
        else if (which == WAIT_OBJECT_0 + 2)
            step = status.result(count) ? handleMask(mask_) : statusFailed(GetLastError());
        else
            ctx_->post(kNotifyRequestHangup);
        if (step == Step::Stop) return;
    }
}

std::optional<ReceiveCredit> TReadThread::awaitCredit()
{
    // A free place is taken at once. Only a full pool clears the wake-up before looking
    // again, so that a place given back between the two looks is not missed.
    if (auto credit = credits_->take()) return credit;
    for (;;) {
        credits_->clearReady();
        if (auto credit = credits_->take()) return credit;
        const HANDLE events[2] = {ctx_->closeEvent.native(), credits_->ready().native()};
        const DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0) return std::nullopt;
        if (which != WAIT_OBJECT_0 + 1) // ends in a hang-up
            throw std::system_error(int(GetLastError()), std::system_category(), "wait");
    }
}

TReadThread::Step TReadThread::startRead(Overlapped& read)
{
    while (!ctx_->closeSignalled()) {
        // The place is taken before the read, so what the read returns always has one.
        if (!credit_) {
            auto credit = awaitCredit();
            if (!credit) return Step::Stop;
            credit_.emplace(std::move(*credit));
        }
        if (ReadFile(port(), buffer_, kChunkSize, nullptr, read.fresh())) {
            DWORD count = 0;
            GetOverlappedResult(port(), &read.record, &count, FALSE);
            if (readDone(count) == Step::Stop) return Step::Stop;
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) return failed(error);
        read.pending = true;
        return Step::Going;
    }
    return Step::Stop;
}

TReadThread::Step TReadThread::readDone(DWORD count)
{
    if (count == 0) {
        // A read that ran out of its total time empty is simply issued again. Without a
        // total limit a driver ends a read only with data, so an empty one means the device
        // is gone: the owner hears of it instead of the thread ending unheard.
        if (ctx_->readTotalMultiplier != 0 || ctx_->readTotalConstant != 0) return Step::Going;
        ctx_->post(kNotifyRequestHangup);
        return Step::Stop;
    }
    // The copy may fail for want of memory; the thread then ends with a hang-up.
    ctx_->post(kNotifyReceiveData, static_cast<uint16_t>(count), 0,
               copyWithTerminator(buffer_, count), std::move(*credit_));
    credit_.reset();
    return Step::Going;
}

TReadThread::Step TReadThread::startStatusWait(Overlapped& status)
{
    while (!ctx_->closeSignalled()) {
        mask_ = 0;
        if (WaitCommEvent(port(), &mask_, status.fresh())) {
            if (handleMask(mask_) == Step::Stop) return Step::Stop;
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) return statusFailed(error);
        status.pending = true;
        return Step::Going;
    }
    return Step::Stop;
}

TReadThread::Step TReadThread::statusFailed(DWORD error)
{
    if (!statusUnsupported(error) || ctx_->closeSignalled()) return failed(error);
    watching_ = false;
    ctx_->post(kNotifyLineStatusOff, 0, error);
    return Step::Going;
}

TReadThread::Step TReadThread::handleMask(DWORD mask)
{
    if (mask & EV_ERR) {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(port(), &errors, &stat)) return failed(GetLastError());
        ctx_->post(kNotifyReceiveError, 0, errors); // CE_RXOVER, CE_OVERRUN, CE_RXPARITY, ...
    }
    const uint32_t modem = ((mask & EV_RLSD) ? 8u : 0u) | ((mask & EV_RING) ? 4u : 0u);
    if (modem) ctx_->post(kNotifyModemChange, 0, modem);
    if (mask & statusMask_) return Step::Going;
    ctx_->post(kNotifyRequestHangup); // a wait that ended for nothing it was asked for
    return Step::Stop;
}

TReadThread::Step TReadThread::failed(DWORD error)
{
    if (!handleGone(error)) ctx_->post(kNotifyRequestHangup);
    return Step::Stop;
}
