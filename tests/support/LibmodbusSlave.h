#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <modbus/modbus.h>
#include <poll.h>
#include <thread>

// libmodbus's own RTU slave on the far end of a pseudo-terminal: the real MODBUS peer. It
// answers from its holding registers in a thread of its own until it ends.
class LibmodbusSlave {
public:
    // `fill` sets the `count` holding registers before any request is read. `delayFor` says,
    // for each request from 1, after how many milliseconds it is answered, or -1 for never;
    // without it, every request is answered at once.
    LibmodbusSlave(int fd, int address, int count, const std::function<void(uint16_t* registers)>& fill,
                   std::function<int(int request)> delayFor = {})
        : delayFor_(std::move(delayFor))
    {
        ctx_ = modbus_new_rtu("/dev/null", 9600, 'N', 8, 1); // the descriptor is set below
        modbus_set_slave(ctx_, address);
        modbus_set_socket(ctx_, fd);
        map_ = modbus_mapping_new(0, 0, count, 0);
        fill(map_->tab_registers);
        worker_ = std::thread([this, fd] {
            while (!stop_) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 50) <= 0) continue;
                uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
                const int n = modbus_receive(ctx_, query);
                if (n <= 0) continue;
                const int delay = delayFor_ ? delayFor_(++requests_) : (++requests_, 0);
                if (delay < 0) continue;
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                modbus_reply(ctx_, query, n, map_);
            }
        });
    }
    ~LibmodbusSlave()
    {
        stop_ = true;
        worker_.join();
        modbus_mapping_free(map_);
        modbus_free(ctx_); // the descriptor belongs to the pseudo-terminal pair
    }
    LibmodbusSlave(const LibmodbusSlave&) = delete;
    LibmodbusSlave& operator=(const LibmodbusSlave&) = delete;

    // The requests received so far.
    int requests() const { return requests_; }

private:
    modbus_t* ctx_;
    modbus_mapping_t* map_;
    std::function<int(int)> delayFor_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
};
