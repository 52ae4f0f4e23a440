#pragma once

#include <QWidget>

class Exchange;

// The "Transparent Mode" page; its controls arrive with their requests.
class HartPage : public QWidget {
    Q_OBJECT

public:
    HartPage(Exchange& exchange, QWidget* parent = nullptr);

private:
    Exchange& exchange_;
};
