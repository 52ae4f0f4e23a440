#include "ui/ProfileComparison.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

ProfileComparison::ProfileComparison(std::vector<ProfileDifference> rows, QWidget* parent)
    : QWidget(parent, Qt::Window), rows_(std::move(rows))
{
    setObjectName("ProfileComparison");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Compare with Profile"));
    resize(720, 420);
    const auto differing = std::count_if(rows_.begin(), rows_.end(), [](const auto& r) { return !r.same; });
    auto* summary = new QLabel(differing == 1 ? QStringLiteral("1 of %1 settings differs.").arg(rows_.size())
                               : differing    ? QStringLiteral("%1 of %2 settings differ.").arg(differing).arg(rows_.size())
                                              : QStringLiteral("The converter matches the profile."),
                               this);
    summary->setObjectName("summary");
    showAll_ = new QCheckBox(QStringLiteral("show all"), this);
    showAll_->setObjectName("showAll");
    table_ = new QTableWidget(0, 3, this);
    table_->setObjectName("differences");
    table_->setHorizontalHeaderLabels({"Setting", "Profile", "Converter"});
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    connect(showAll_, &QCheckBox::toggled, this, &ProfileComparison::fill);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(showAll_);
    layout->addWidget(table_);
    fill();
}

void ProfileComparison::fill()
{
    table_->setRowCount(0);
    for (const ProfileDifference& r : rows_) {
        if (r.same && !showAll_->isChecked()) continue;
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[3] = {r.key, r.profile, r.converter};
        for (int c = 0; c < 3; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
}
