#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

// The error every text-to-number conversion of the tool raises. Show message(), not
// what(): a received text may hold NUL characters, which cut what()'s C string short.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& text)
        : EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text), 0)
    {
    }
    const QString& message() const { return message_; }

private:
    EConvertError(const QString& message, int) : std::runtime_error(message.toStdString()), message_(message) {}
    QString message_;
};

// An optional sign and decimal digits that fit in 32 bits; anything else, the empty text
// included, raises EConvertError naming the text.
int32_t StrToInt(const QString& text);

// The decoders' reading of a received text: `count` characters from `pos` converted as
// above; characters past the end are not taken (beyond it, the text is empty).
int32_t StrToIntAt(const QByteArray& text, qsizetype pos, qsizetype count = 1);
