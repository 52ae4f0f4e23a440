#include "ui/instrument/InstrumentGroupsView.h"

#include <QFormLayout>
#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
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
        // One line each: a wrapped label in a form can be given less height than it needs;
        // a value wider than the window scrolls instead.
        QLabel* value = plain(row.value, box);
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
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    QHBoxLayout* pair = nullptr; // a narrow group waiting for its neighbour
    for (const InstrumentGroups::Group& group : groups) {
        QGroupBox* b = box(group, content);
        if (!narrow(group)) {
            pair = nullptr;
            column->addWidget(b);
        } else if (pair) {
            pair->addWidget(b, 1, Qt::AlignTop);
            pair = nullptr;
        } else {
            pair = new QHBoxLayout;
            pair->addWidget(b, 1, Qt::AlignTop);
            column->addLayout(pair);
        }
    }
    if (pair) pair->addStretch(1); // an odd one out keeps half the width
    column->addStretch(1);
    setWidget(content);
}

int InstrumentGroupsView::widthWanted() const
{
    const QWidget* content = widget();
    if (!content) return 0;
    return content->sizeHint().width() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
}

void InstrumentGroupsView::clearGroups(const QString& note)
{
    delete takeWidget();
    QLabel* label = plain(note, nullptr);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setWidget(label);
}
