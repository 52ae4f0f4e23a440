#pragma once

#include "serial/core/ManualEvent.h"

#include <windows.h>

// One overlapped operation's record and its event. While an operation is pending the
// driver owns the record (and the buffer), so it is never let go before the operation has
// ended: finish() cancels what is still pending and waits for the driver to give it back.
struct Overlapped {
    explicit Overlapped(HANDLE port) : port(port) {}
    ~Overlapped() { finish(); }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    const HANDLE port;
    ManualEvent done; // throws std::system_error when no event can be made
    OVERLAPPED record{};
    bool pending = false;

    OVERLAPPED* fresh()
    {
        record = OVERLAPPED{};
        record.hEvent = done.native();
        return &record;
    }

    // The result of the pending operation once its event is set; false with the error in
    // GetLastError().
    bool result(DWORD& count)
    {
        pending = false;
        return GetOverlappedResult(port, &record, &count, FALSE) != FALSE;
    }

    void finish()
    {
        if (!pending) return;
        CancelIoEx(port, &record);
        DWORD ignored;
        GetOverlappedResult(port, &record, &ignored, TRUE);
        pending = false;
    }
};

// The errors that mean the port's handle is gone: the thread ends without a hang-up.
inline bool handleGone(DWORD error) { return error == ERROR_INVALID_HANDLE; }
