#pragma once

#include "exchange/FieldUpdate.h"

#include <QByteArray>
#include <cstdint>

// Requests and reply decoding of the converter's own settings. Plain functions: values in,
// bytes or field updates out.
namespace SystemCodec {

// A list choice as one character: "0" plus the index; no selection (-1) gives "/".
char itemDigit(int index);

// A number as `width` characters, most significant first, each "0" plus a decimal digit,
// without range check: the first character is not reduced (1000 in three gives ":00") and
// negative values give characters below "0" (-5 in three gives "00+").
QByteArray digitEncoding(int32_t value, int width);

// "QQS#" key ":" value "#".
QByteArray setRequest(const QByteArray& key, const QByteArray& value);
QByteArray choiceRequest(const QByteArray& key, int index);
QByteArray portRequest(const QByteArray& key, int baudIndex, int parityIndex);
QByteArray numberRequest(const QByteArray& key, int32_t value, int width);
QByteArray resetRequest();             // "QQS#RESET#"
QByteArray hotSpotRequest(char which); // "QQS#YB:1#", "QQS#YB:2#"
QByteArray queryRequest();             // "QQQ#QX#"

// "KQTRLV#PCBSN:" serial (at least 8 digits) "," inspector (at least 3) "#".
QByteArray boardSerialRequest(int32_t serial, int32_t inspector);

// The system query's reply: nothing without "QX"; then each key's first occurrence.
Decoded decodeReply(const QByteArray& text);

} // namespace SystemCodec
