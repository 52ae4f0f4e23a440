#include "ui/Pictures.h"

#include "ui/JpegDecoder.h"

#include <QFile>
#include <QPainter>

namespace {

struct Box {
    int width, height;
    const char* caption;
    const char* file;
};

const Box kBoxes[] = {
    {105, 41, "VK742-B", ":/pictures/logo.jpg"},
    {1065, 393, "2-Wire Instruments", ":/pictures/two-wire.jpg"},
    {1065, 385, "2-Wire And 4-Wire Instruments", ":/pictures/two-and-four-wire.jpg"},
    {1065, 393, "4-Wire Instruments", ":/pictures/four-wire.jpg"},
    {1057, 393, "Built In DC24V 2-Wire Instruments", ":/pictures/built-in-24v.jpg"},
};

// Shown in place of a picture that cannot be read: its caption in a frame of its size.
QPixmap standIn(const Box& box)
{
    QPixmap pixmap(box.width, box.height);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::darkBlue, 2));
    painter.drawRect(pixmap.rect().adjusted(1, 1, -2, -2));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::fromLatin1(box.caption));
    return pixmap;
}

} // namespace

QPixmap loadPicture(Picture picture)
{
    const Box& box = kBoxes[static_cast<int>(picture)];
    QFile file(QString::fromLatin1(box.file));
    const QImage image = file.open(QIODevice::ReadOnly) ? decodeJpeg(file.readAll()) : QImage();
    return image.isNull() ? standIn(box) : QPixmap::fromImage(image);
}
