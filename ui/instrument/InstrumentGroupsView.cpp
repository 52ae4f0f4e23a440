#include "ui/instrument/InstrumentGroupsView.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>

namespace {

// A group whose values run longer than this takes the whole width.
constexpr qsizetype kNarrowValue = 40;

bool narrow(const InstrumentGroups::Group& group)
{
    return std::all_of(group.rows.begin(), group.rows.end(),
                       [](const InstrumentGroups::Row& r) { return r.value.size() <= kNarrowValue; });
}

// Text from the instrument is shown as it is, never as markup.
QLabel* plain(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QGroupBox* box(const InstrumentGroups::Group& group, QWidget* parent)
{
    auto* box = new QGroupBox(group.title, parent);
    box->setObjectName("InstrumentGroup");
    auto* form = new QFormLayout(box);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft);
    for (const InstrumentGroups::Row& row : group.rows) {
        QLabel* value = plain(row.value, box);
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(plain(row.label, box), value);
    }
    return box;
}

} // namespace

InstrumentGroupsView::InstrumentGroupsView(QWidget* parent) : QScrollArea(parent)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
}

void InstrumentGroupsView::setGroups(const std::vector<InstrumentGroups::Group>& groups)
{
    delete takeWidget();
    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0, column = 0;
    for (const InstrumentGroups::Group& group : groups) {
        QGroupBox* b = box(group, content);
        if (narrow(group)) {
            grid->addWidget(b, row, column, Qt::AlignTop);
            if (++column == 2) column = 0, ++row;
        } else {
            if (column) column = 0, ++row;
            grid->addWidget(b, row++, 0, 1, 2);
        }
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row + 1, 1);
    setWidget(content);
}

void InstrumentGroupsView::clearGroups(const QString& note)
{
    delete takeWidget();
    QLabel* label = plain(note, nullptr);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setWidget(label);
}
