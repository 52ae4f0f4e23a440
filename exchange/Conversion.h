#pragma once

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
