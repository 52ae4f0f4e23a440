#pragma once

#include "ui/Pictures.h"

#include <QLabel>
#include <QScrollArea>

// A page that holds one wiring diagram, shown at its own size from the top left corner.
// The picture is decoded the first time the page is shown, not at start-up.
class DiagramPage : public QScrollArea {
public:
    DiagramPage(const char* imageName, Picture picture, QWidget* parent = nullptr)
        : QScrollArea(parent), picture_(picture)
    {
        image_ = new QLabel;
        image_->setObjectName(imageName);
        image_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setWidget(image_);
        setFrameShape(QFrame::NoFrame);
    }
    QLabel* image() const { return image_; }

protected:
    void showEvent(QShowEvent* event) override
    {
        if (image_->pixmap().isNull()) {
            image_->setPixmap(loadPicture(picture_));
            image_->adjustSize();
        }
        QScrollArea::showEvent(event);
    }

private:
    QLabel* image_;
    Picture picture_;
};
