#pragma once

#include <QByteArray>
#include <atomic>
#include <poll.h>
#include <thread>
#include <unistd.h>

// Writes blocks to a descriptor without a pause until destroyed: a far end that floods.
class Flood {
public:
    explicit Flood(int fd, int blockSize = 4096)
        : thread_([this, fd, blockSize] {
              const QByteArray block(blockSize, 'A');
              while (!stop_) {
                  if (::write(fd, block.constData(), size_t(block.size())) < 0) {
                      pollfd p{fd, POLLOUT, 0};
                      ::poll(&p, 1, 10);
                  }
              }
          })
    {
    }
    ~Flood()
    {
        stop_ = true;
        thread_.join();
    }
    Flood(const Flood&) = delete;
    Flood& operator=(const Flood&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
