#include "pages/widgets/Controls.h"

#include <QComboBox>

int itemIndex(const QComboBox* box)
{
    const int index = box->currentIndex();
    if (index < 0) return -1;
    if (box->isEditable() && box->currentText() != box->itemText(index)) return -1;
    return index;
}

void setItemIndex(QComboBox* box, int index)
{
    if (index < 0 || index >= box->count()) {
        box->setCurrentIndex(-1);
        if (box->isEditable()) box->setEditText(QString());
        return;
    }
    box->setCurrentIndex(index);
    // An editable list whose text was typed over shows the item again.
    if (box->isEditable()) box->setEditText(box->itemText(index));
}
