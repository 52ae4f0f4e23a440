#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

// The error every text-to-number conversion of the tool raises.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& text)
        : std::runtime_error(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString())
    {
    }
};

// An optional sign and decimal digits that fit in 32 bits; anything else, the empty text
// included, raises EConvertError naming the text.
int32_t StrToInt(const QString& text);

// The decoders' reading of a received text: `count` characters from `pos` converted as
// above; characters past the end are not taken (beyond it, the text is empty).
int32_t StrToIntAt(const QByteArray& text, qsizetype pos, qsizetype count = 1);
