#include "pages/widgets/PageBuilder.h"

#include "pages/widgets/Controls.h"
#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "pages/widgets/NarrowEdit.h"

QComboBox* PageBuilder::list(const char* name, const QStringList& items, int selected, bool editable)
{
    auto* box = named(new QComboBox(page_), name);
    box->setEditable(editable);
    if (editable) box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    setItemIndex(box, selected);
    return box;
}

QLineEdit* PageBuilder::edit(const char* name, const QString& text, int chars)
{
    return named(chars > 0 ? new NarrowEdit(chars, text, page_) : new QLineEdit(text, page_), name);
}

QLabel* PageBuilder::label(const QString& text, const char* name)
{
    auto* l = new QLabel(text, page_);
    if (name) l->setObjectName(name);
    return l;
}

QGridLayout* PageBuilder::grid(QWidget* group)
{
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    return grid;
}

QHBoxLayout* PageBuilder::row()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(6); // a grid with unequal spacings hands none down to a nested row
    return row;
}

QPushButton* PageBuilder::button(const char* name, const QString& caption, std::function<void()> handler)
{
    auto* b = named(new QPushButton(caption, page_), name);
    Exchange& exchange = exchange_;
    QObject::connect(b, &QPushButton::clicked, page_, [&exchange, handler = std::move(handler)] {
        runHandler(exchange.messages(), handler);
    });
    return b;
}
