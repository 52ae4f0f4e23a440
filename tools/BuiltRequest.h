#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>

// What a request builder made of plain values: the request's bytes, or the reason none can
// be built, a message that names the field and what it accepts. Callers without widgets
// (and the pages) send the bytes only when there is no refusal.
struct BuiltRequest {
    QByteArray bytes;
    QString refusal;

    BuiltRequest(QByteArray request) : bytes(std::move(request)) {}
    static BuiltRequest refused(QString why)
    {
        BuiltRequest r{QByteArray()};
        r.refusal = std::move(why);
        return r;
    }
    bool ok() const { return refusal.isEmpty(); }
};

// Field checks for the builders: empty when the value fits, else the message.
namespace FieldCheck {
// A list choice that goes out as one digit: an item index from 0 to count - 1.
// "RS232/RS485A baud rate: choose a speed from the list."
QString choice(const QString& field, int index, int count, const QString& what);
// A number that goes out in its digits: "MODBUS_Slave_Adr must be a number from 0 to 255."
QString number(const QString& field, int64_t value, int64_t lo, int64_t hi);
} // namespace FieldCheck

// The first non-empty message among the checks; empty when every value fits.
QString firstRefusal(std::initializer_list<QString> checks);
// The first refusal among the checks, or the request that `build` makes.
BuiltRequest buildChecked(std::initializer_list<QString> checks, const std::function<QByteArray()>& build);
