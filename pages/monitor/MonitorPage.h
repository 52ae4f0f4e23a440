#pragma once

#include <QWidget>

class Exchange;

// "Monitoring Command": the converter's six command slots, each written ("Set") and read
// back ("Query"). Slots 3 to 6 exist but are not shown.
class MonitorPage : public QWidget {
    Q_OBJECT

public:
    MonitorPage(Exchange& exchange, QWidget* parent = nullptr);

    void setClick(int slot);   // slot 1 to 6
    void queryClick(int slot); // slot 1 to 6

private:
    Exchange& exchange_;
    int askedSlot_ = 0; // the slot the last query asked for; replies for others are ignored
};
