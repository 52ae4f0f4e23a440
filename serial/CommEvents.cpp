#include "serial/CommEvents.h"

#include <QCoreApplication>
#include <cstring>

std::unique_ptr<uint8_t[]> copyWithTerminator(const uint8_t* data, size_t size)
{
    auto copy = std::make_unique<uint8_t[]>(size + 1); // value-initialised: zero-filled
    if (size) std::memcpy(copy.get(), data, size);
    return copy;
}

bool postNotification(QObject* target, CommNotify kind, uint16_t count, uint32_t value,
                      std::unique_ptr<uint8_t[]> data)
{
    if (!target) return false;
    QCoreApplication::postEvent(target, new CommNotification(kind, count, value, std::move(data)));
    return true;
}
