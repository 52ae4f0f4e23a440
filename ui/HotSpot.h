#pragma once

#include <QLabel>
#include <functional>

// A captionless label that reacts to a double click.
class HotSpot : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onDoubleClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override
    {
        if (onDoubleClick) onDoubleClick();
    }
};
