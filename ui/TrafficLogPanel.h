#pragma once

#include "exchange/TrafficLog.h"

#include <QWidget>

class QPlainTextEdit;

// A window beside the main one that shows the traffic log as it grows.
class TrafficLogPanel : public QWidget {
    Q_OBJECT

public:
    TrafficLogPanel(TrafficLog& log, QWidget* parent);

    std::function<void()> onSave;

private:
    QPlainTextEdit* text_;
};
