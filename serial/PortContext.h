#pragma once

#include <atomic>
#include <cstdint>

class QObject;

// What the component shares with its two threads while the port is open. The threads hold
// it by shared pointer, so it outlives a thread that had to be abandoned at close.
struct PortContext {
    PortContext(int portFd, int closeFd, QObject* notifyTarget)
        : fd(portFd), closeEvent(closeFd), target(notifyTarget) {}
    ~PortContext();
    PortContext(const PortContext&) = delete;
    PortContext& operator=(const PortContext&) = delete;

    const int fd;
    const int closeEvent; // eventfd; once signalled it stays signalled (manual reset)
    QObject* const target;

    // Read timeouts in milliseconds, as the component last applied them.
    std::atomic<uint32_t> readInterval{100};
    std::atomic<uint32_t> readTotalMultiplier{0};
    std::atomic<uint32_t> readTotalConstant{0};
    std::atomic<bool> ignoreNullChar{false};
    // RTS raised by the transmit thread around each write, where the driver cannot.
    std::atomic<bool> softwareRtsToggle{false};
    std::atomic<bool>* sendEmpty = nullptr;
    // Set when a thread is left running past the close wait: it must post nothing more.
    std::atomic<bool> abandoned{false};

    void signalClose() const;
    bool closeSignalled() const;
    void post(int kind, uint16_t count = 0, uint32_t value = 0) const;
};
