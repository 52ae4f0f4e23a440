#pragma once

#include <QWidget>
#include <functional>

class QLabel;

// The strip above the pages: logo, product title, version, and the two hidden hot spots
// whose double clicks the window hands on.
class Header : public QWidget {
public:
    Header(std::function<void()> onLabel8, std::function<void()> onLabel51, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void sizeTitle();

    QLabel* title_;
};
