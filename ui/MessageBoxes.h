#pragma once

#include "exchange/Messages.h"

class QWidget;

// Modal boxes with one OK button and the program's title.
class MessageBoxes : public MessageSink {
public:
    explicit MessageBoxes(QWidget* parent) : parent_(parent) {}
    void inform(const QString& text) override;
    void error(const QString& text, const QString& detail) override;

private:
    QWidget* parent_;
};
