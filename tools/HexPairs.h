#pragma once

#include "tools/BuiltRequest.h"

#include <QByteArray>
#include <QString>

// Bytes typed as hex pair text ("01 03 FF"): pairs of capital hex digits separated by single
// blanks, a trailing blank allowed. What is typed is what is sent, so anything else is
// refused with a message instead of bytes, checked in this order:
// - a pair holding anything but "0"-"9" and "A"-"F": "Data eeore!";
// - a character between two pairs that is not a blank: "NO SPACK";
// - half a pair at the end, or more than maxCount pairs: the limit ("At most 15 pairs of
//   hex digits, separated by single blanks (76 89 FD AD).");
// - an empty text when emptyAllowed is false: "NO SPACK".
BuiltRequest parseHexPairs(const QString& text, int maxCount, bool emptyAllowed = true);

// 0-15 for "0"-"9" and "A"-"F" (capitals only), -1 for anything else.
int hexDigitValue(QChar c);
