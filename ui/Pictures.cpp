#include "ui/Pictures.h"

#include <QPainter>

// Drawn stand-ins until the JPEG pictures are bundled: a framed caption at the size of
// the picture box.
QPixmap loadPicture(Picture picture)
{
    struct Box {
        int width, height;
        const char* caption;
    };
    static const Box boxes[] = {
        {105, 41, "VK742-B"},
        {1065, 393, "2-Wire Instruments: wiring diagram"},
        {1065, 385, "2-Wire And 4-Wire Instruments: wiring diagram"},
        {1065, 393, "4-Wire Instruments: wiring diagram"},
        {1057, 393, "Built In DC24V 2-Wire Instruments: wiring diagram"},
    };
    const Box& s = boxes[static_cast<int>(picture)];
    QPixmap pixmap(s.width, s.height);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::darkBlue, 2));
    painter.drawRect(pixmap.rect().adjusted(1, 1, -2, -2));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::fromLatin1(s.caption));
    return pixmap;
}
