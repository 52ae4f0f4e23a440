#include "ui/live/FormatList.h"

#include <QAbstractItemView>
#include <QRegularExpression>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

FormatList::FormatList(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

QString FormatList::shortLabel(const QString& item)
{
    static const QRegularExpression byte(QStringLiteral("FF(\\d) ?"));
    return QString(item).replace(byte, QStringLiteral("\\1")).simplified();
}

int FormatList::textRoom() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).width();
}

QString FormatList::shownText() const
{
    const QString whole = currentText();
    return fontMetrics().horizontalAdvance(whole) <= textRoom() ? whole : shortLabel(whole);
}

QSize FormatList::sizeHint() const
{
    int widest = fontMetrics().horizontalAdvance(QLatin1Char('x')) * 4;
    for (int i = 0; i < count(); ++i) widest = std::max(widest, fontMetrics().horizontalAdvance(shortLabel(itemText(i))));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize text(widest, fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this);
}

QSize FormatList::minimumSizeHint() const { return sizeHint(); }

// The drop-down as wide as its widest item, however narrow the closed list is.
void FormatList::showPopup()
{
    QAbstractItemView* list = view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
    QComboBox::showPopup();
}

void FormatList::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
