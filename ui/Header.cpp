#include "ui/Header.h"

#include "pages/widgets/Controls.h"
#include "ui/HotSpot.h"
#include "ui/Pictures.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>

namespace {

constexpr double kTitleScale = 2.2; // the title's size against the desktop's text size

HotSpot* hotSpot(const char* name, int width, int height, std::function<void()> onDoubleClick)
{
    auto* spot = named(new HotSpot, name);
    spot->setFixedSize(width, height);
    spot->onDoubleClick = std::move(onDoubleClick);
    return spot;
}

} // namespace

Header::Header(std::function<void()> onLabel8, std::function<void()> onLabel51, QWidget* parent)
    : QWidget(parent)
{
    auto* Image1 = named(new QLabel, "Image1");
    Image1->setFixedSize(105, 41);
    Image1->setScaledContents(true);
    Image1->setPixmap(loadPicture(Picture::Logo));
    title_ = named(new QLabel(QStringLiteral("VK742-B Configuration Software")), "Label41");
    title_->setAlignment(Qt::AlignCenter);
    sizeTitle();
    auto* Label77 = named(new QLabel(QStringLiteral("V6.0(Aug 20. 2024)")), "Label77");
    Label77->setAlignment(Qt::AlignCenter);

    // Logo at the left, title and version centred, Label8 just after the title and Label51
    // in the top right corner.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    grid->addWidget(Image1, 0, 0, 2, 1, Qt::AlignLeft | Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->addWidget(title_, 0, 2);
    grid->addWidget(Label77, 1, 2);
    grid->addWidget(hotSpot("Label8", 17, 33, std::move(onLabel8)), 0, 3, Qt::AlignTop);
    grid->setColumnStretch(4, 1);
    grid->addWidget(hotSpot("Label51", 25, 33, std::move(onLabel51)), 0, 5, Qt::AlignTop);
}

void Header::sizeTitle()
{
    QFont big = font();
    big.setBold(true);
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * kTitleScale);
    else
        big.setPixelSize(qRound(big.pixelSize() * kTitleScale));
    title_->setFont(big);
}

void Header::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) sizeTitle(); // the desktop's text size changed
    QWidget::changeEvent(event);
}
