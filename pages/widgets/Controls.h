#pragma once

#include <QString>

class QComboBox;
class QWidget;

// Item index of a list as the requests read it: -1 when no item is selected, and for an
// editable list also when the typed text matches no item.
int itemIndex(const QComboBox* box);

// Selects an item by index; an index outside the items leaves the list with no selection.
void setItemIndex(QComboBox* box, int index);

// Gives a widget its control name and returns it (for building pages tersely).
template <class W> W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}
