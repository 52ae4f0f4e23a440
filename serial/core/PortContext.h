#pragma once

#include "serial/core/ManualEvent.h"
#include "serial/core/Native.h"
#include "serial/core/Notice.h"

#include <atomic>
#include <cstdint>
#include <mutex>

// What the component shares with its threads while the port is open. Every thread holds it
// by shared pointer, so a thread that outlives its close still finds its handles open and
// its flags in place; the port itself closes when the last holder lets go.
struct PortContext {
    PortContext(NativePort port, ManualEvent closeEvent, PostToOwner post)
        : port(port), closeEvent(std::move(closeEvent)), post_(std::move(post)) {}
    ~PortContext() { closeNativePort(port); }
    PortContext(const PortContext&) = delete;
    PortContext& operator=(const PortContext&) = delete;

    const NativePort port;
    const ManualEvent closeEvent; // once signalled it stays signalled

    // What the receive thread does itself where the driver cannot: read timeouts in
    // milliseconds, dropping zero bytes, and handing on bytes the driver marked with an
    // error (as they came, or replaced). Backends whose driver does these ignore them.
    std::atomic<uint32_t> readInterval{100};
    std::atomic<uint32_t> readTotalMultiplier{0};
    std::atomic<uint32_t> readTotalConstant{0};
    std::atomic<bool> ignoreNullChar{false};
    std::atomic<bool> markedErrors{false};
    std::atomic<bool> replaceMarked{false};
    std::atomic<char> replacement{0};
    // RTS raised by the transmit thread around each write, where the driver cannot, and
    // the line's speed, for the time the last byte takes to leave.
    std::atomic<bool> softwareRtsToggle{false};
    std::atomic<uint32_t> baudRate{9600};
    // Whether modem-line changes are watched (only when someone listens for them).
    std::atomic<bool> watchModemLines{false};
    std::atomic<bool> sendEmpty{true};

    void signalClose() const { closeEvent.set(); }
    bool closeSignalled() const { return closeEvent.isSet(); }

    // Hands a notice to the owner. After detach() nothing more is handed over: the check
    // and the hand-over happen under one lock, so the owner can go away right after.
    void post(CommNotify kind, uint16_t count = 0, uint32_t value = 0,
              std::unique_ptr<uint8_t[]> data = nullptr,
              ReceiveCredit credit = ReceiveCredit()) const noexcept;
    void detach();

private:
    mutable std::mutex postLock_;
    PostToOwner post_;
};
