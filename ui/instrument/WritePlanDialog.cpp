#include "ui/instrument/WritePlanDialog.h"

#include "pages/widgets/Controls.h"
#include "ui/instrument/Sentences.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

WritePlanDialog::WritePlanDialog(const WritableSettings::Plan& plan, int pollingAddress, bool resetChangedFlag,
                                 QWidget* parent)
    : QDialog(parent)
{
    setObjectName("WritePlan");
    setWindowTitle(QStringLiteral("Write to the Instrument"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("These settings of the instrument at polling address %1 will be written:")
                                     .arg(pollingAddress)));

    const int n = int(plan.changes.size());
    auto* table = named(new QTableWidget(n, 3), "WritePlanTable");
    table->setHorizontalHeaderLabels({"Setting", "Now", "New"});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (int r = 0; r < n; ++r) {
        const auto& c = plan.changes[size_t(r)];
        const QString cells[3] = {WritableSettings::name(c.key), c.old, c.wanted};
        for (int col = 0; col < 3; ++col) table->setItem(r, col, new QTableWidgetItem(cells[col]));
    }
    layout->addWidget(table, 1);

    QStringList notes;
    for (const QString& w : plan.warnings) notes << QStringLiteral("Warning: ") + asSentence(w);
    notes << (resetChangedFlag ? QStringLiteral("The configuration changed flag will be reset afterwards.")
                               : QStringLiteral("The configuration changed flag stays set."));
    auto* warnings = named(new QLabel(notes.join(u'\n')), "WritePlanWarnings");
    warnings->setWordWrap(true);
    warnings->setTextFormat(Qt::PlainText);
    layout->addWidget(warnings);

    auto* buttons = new QDialogButtonBox;
    named(buttons->addButton(QStringLiteral("Write"), QDialogButtonBox::AcceptRole), "WritePlanWrite");
    auto* cancel = named(buttons->addButton(QDialogButtonBox::Cancel), "WritePlanCancel");
    cancel->setDefault(true); // Enter alone writes nothing
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    const QFontMetrics m = fontMetrics();
    resize(100 * m.averageCharWidth(), (10 + n + 2 * int(notes.size())) * m.height());
}
