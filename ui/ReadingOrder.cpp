#include "ui/ReadingOrder.h"

#include <QGridLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>

namespace {

void visitWidget(QWidget* widget, QList<QWidget*>& out);

QList<QLayoutItem*> itemsInReadingOrder(QLayout* layout)
{
    QList<QLayoutItem*> items;
    for (int i = 0; i < layout->count(); ++i) items << layout->itemAt(i);
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        auto cell = [grid](QLayoutItem* item) {
            int row, column, rows, columns;
            grid->getItemPosition(grid->indexOf(item), &row, &column, &rows, &columns);
            return std::pair(row, column);
        };
        std::stable_sort(items.begin(), items.end(),
                         [&](QLayoutItem* a, QLayoutItem* b) { return cell(a) < cell(b); });
    }
    return items;
}

void visitLayout(QLayout* layout, QList<QWidget*>& out)
{
    for (QLayoutItem* item : itemsInReadingOrder(layout)) {
        if (QWidget* widget = item->widget())
            visitWidget(widget, out);
        else if (QLayout* inner = item->layout())
            visitLayout(inner, out);
    }
}

void visitChildren(QWidget* widget, QList<QWidget*>& out)
{
    if (widget->layout()) {
        visitLayout(widget->layout(), out);
        return;
    }
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow()) visitWidget(child, out);
}

void visitWidget(QWidget* widget, QList<QWidget*>& out)
{
    if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
        out << tabs->tabBar(); // the tab widget hands its focus to it
        for (int i = 0; i < tabs->count(); ++i) visitWidget(tabs->widget(i), out);
        return;
    }
    if (widget->focusPolicy() & Qt::TabFocus) {
        while (widget->focusProxy()) widget = widget->focusProxy();
        out << widget; // a control: its inner parts (a list's edit) come with it
        return;
    }
    visitChildren(widget, out);
}

} // namespace

QList<QWidget*> readingOrder(QWidget* root)
{
    QList<QWidget*> out;
    visitChildren(root, out);
    return out;
}

void setReadingTabOrder(QWidget* root)
{
    const QList<QWidget*> order = readingOrder(root);
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}
