#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Bytes typed as hex pair text ("01 03 FF"): pair i at positions 3i and 3i+1, capital
// hex digits only; the character between pairs is not read. The count is len div 3, plus
// one when len mod 3 is 2, limited to maxCount. Returns nothing when any pair holds
// another character.
std::optional<QByteArray> parseHexPairs(const QString& text, int maxCount);

// 0-15 for "0"-"9" and "A"-"F" (capitals only), -1 for anything else.
int hexDigitValue(QChar c);
