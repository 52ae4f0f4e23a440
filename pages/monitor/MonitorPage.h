#pragma once

#include <QWidget>

class Exchange;

// The "Monitoring Command" page; its controls arrive with their requests.
class MonitorPage : public QWidget {
    Q_OBJECT

public:
    MonitorPage(Exchange& exchange, QWidget* parent = nullptr);

private:
    Exchange& exchange_;
};
