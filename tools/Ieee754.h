#pragma once

#include <QString>
#include <variant>

// The IEEE 754 calculator: up to four hex pairs, first most significant, to the value's
// text (at most 10 characters), or the message for a bad entry.
struct CalculatorMessage {
    QString text;
};
std::variant<QString, CalculatorMessage> ieee754Calculate(const QString& input, QChar decimalPoint = u'.');
