#pragma once

#include <QByteArray>
#include <initializer_list>

// Bytes written as hex text ("FF 06 80") or as a list of values.
inline QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}
