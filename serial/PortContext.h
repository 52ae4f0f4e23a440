#pragma once

#include "serial/ReceiveCredits.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class QObject;

// What the component shares with its threads while the port is open. Every thread holds it
// by shared pointer, so a thread that outlives its close still finds its descriptors open
// and its flags in place; the port itself closes when the last holder lets go.
struct PortContext {
    PortContext(int portFd, int closeFd, QObject* notifyTarget)
        : fd(portFd), closeEvent(closeFd), target_(notifyTarget) {}
    ~PortContext();
    PortContext(const PortContext&) = delete;
    PortContext& operator=(const PortContext&) = delete;

    const int fd;
    const int closeEvent; // eventfd; once signalled it stays signalled (manual reset)

    // Read timeouts in milliseconds, as the component last applied them.
    std::atomic<uint32_t> readInterval{100};
    std::atomic<uint32_t> readTotalMultiplier{0};
    std::atomic<uint32_t> readTotalConstant{0};
    std::atomic<bool> ignoreNullChar{false};
    // The driver marks bytes received with an error (PARMRK); the receive thread unmarks
    // them. replaceMarked and replacement say what such a byte is handed on as.
    std::atomic<bool> markedErrors{false};
    std::atomic<bool> replaceMarked{false};
    std::atomic<char> replacement{0};
    // RTS raised by the transmit thread around each write, where the driver cannot.
    std::atomic<bool> softwareRtsToggle{false};
    // Whether modem-line changes are watched (only when someone listens for them).
    std::atomic<bool> watchModemLines{false};
    std::atomic<bool> sendEmpty{true};

    void signalClose() const;
    bool closeSignalled() const;

    // Posts a notification to the component. After detach() nothing more is posted: the
    // check and the post happen under one lock, so the component can go away right after.
    void post(int kind, uint16_t count = 0, uint32_t value = 0,
              std::unique_ptr<uint8_t[]> data = nullptr,
              ReceiveCredit credit = ReceiveCredit()) const noexcept;
    void detach();

private:
    mutable std::mutex targetLock_;
    QObject* target_;
};
