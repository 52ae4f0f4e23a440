#include "ui/instrument/SnapshotComparison.h"

#include "tools/Counted.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

SnapshotComparison::SnapshotComparison(const std::vector<SnapshotFile::Difference>& differences, const QString& file,
                                       QWidget* parent, const QStringList& headings)
    : QWidget(parent, Qt::Window)
{
    setObjectName("SnapshotComparison");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Compare with Snapshot"));

    const qsizetype n = qsizetype(differences.size());
    auto* summary = new QLabel(this);
    summary->setObjectName("CompareSummary");
    summary->setTextFormat(Qt::PlainText);
    summary->setWordWrap(true);
    summary->setText(n == 0 ? QStringLiteral("No configuration differences from %1").arg(file)
                            : QStringLiteral("%1 %2 from %3")
                                  .arg(counted(n, QStringLiteral("configuration key")),
                                       n == 1 ? QStringLiteral("differs") : QStringLiteral("differ"), file));

    auto* table = new QTableWidget(int(n), 3, this);
    table->setObjectName("CompareTable");
    table->setHorizontalHeaderLabels(QStringList{QStringLiteral("Key")} + headings);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The key as wide as it is; the saved and present values share the rest alike.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (int r = 0; r < int(n); ++r) {
        const auto& d = differences[size_t(r)];
        const QString cells[3] = {d.key, d.old, d.now};
        for (int c = 0; c < 3; ++c) table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->setVisible(n > 0);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(table, 1);
    if (n == 0) layout->addStretch();
    const int em = fontMetrics().averageCharWidth();
    resize(std::clamp(fontMetrics().horizontalAdvance(summary->text()) + 4 * em, 90 * em, 160 * em), n ? 34 * fontMetrics().height() : 6 * fontMetrics().height());
}
