#include "ui/RegisterMapDialog.h"

#include "exchange/Messages.h"
#include "files/SaveFile.h"
#include "regmap/RegisterMapText.h"
#include "tools/TerminalText.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

RegisterMapDialog::RegisterMapDialog(Profile profile, RegisterMap::Source source, MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), profile_(std::move(profile)), source_(std::move(source)), messages_(messages)
{
    setObjectName("RegisterMapDialog");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Register Map"));
    resize(1040, 520);
    chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export Register Map"), QStringLiteral("register-map.csv"),
                                            QStringLiteral("CSV (*.csv);;Markdown (*.md);;HTML (*.html);;All files (*)"));
    };

    facts_ = new QLabel(this);
    facts_->setObjectName("facts");
    facts_->setWordWrap(true);
    facts_->setTextFormat(Qt::PlainText);
    facts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    showDisabled_ = new QCheckBox(QStringLiteral("Show disabled slots"), this);
    showDisabled_->setObjectName("showDisabled");
    table_ = new QTableWidget(0, int(RegisterMapText::columns().size()), this);
    table_->setObjectName("registers");
    table_->setHorizontalHeaderLabels(RegisterMapText::columns());
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* copy = new QPushButton(QStringLiteral("Copy"), this);
    copy->setObjectName("copy");
    auto* exportButton = new QPushButton(QStringLiteral("Export…"), this);
    exportButton->setObjectName("export");
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName("close");
    connect(showDisabled_, &QCheckBox::toggled, this, &RegisterMapDialog::fill);
    connect(copy, &QPushButton::clicked, this, &RegisterMapDialog::copy);
    connect(exportButton, &QPushButton::clicked, this, &RegisterMapDialog::exportMap);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showDisabled_);
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(exportButton);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(facts_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    fill();
}

void RegisterMapDialog::fill()
{
    map_ = RegisterMap::build(profile_, {}, showDisabled_->isChecked());
    map_.source = source_;
    QStringList lines;
    for (const auto& [name, value] : RegisterMapText::facts(map_))
        lines << QStringLiteral("%1: %2").arg(name, TerminalText::escaped(value));
    QString text = lines.join(QStringLiteral("   ")) + u'\n';
    for (const QString& note : RegisterMapText::notes(map_)) text += u'\n' + TerminalText::escaped(note);
    facts_->setText(text);
    table_->setRowCount(0);
    for (const RegisterMap::Row& row : map_.rows) {
        const int r = table_->rowCount();
        table_->insertRow(r);
        const QStringList cells = RegisterMapText::cells(row);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(TerminalText::escaped(cells[c]));
            if (!row.enabled) item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            table_->setItem(r, c, item);
        }
    }
}

void RegisterMapDialog::copy() const
{
    // Tab-separated, so that a spreadsheet takes each cell into a column of its own.
    QString text = RegisterMapText::columns().join(u'\t') + u'\n';
    for (const RegisterMap::Row& row : map_.rows) {
        QStringList cells;
        for (const QString& cell : RegisterMapText::cells(row)) cells << TerminalText::escaped(cell);
        text += cells.join(u'\t') + u'\n';
    }
    auto* data = new QMimeData;
    data->setText(text);
    data->setHtml(RegisterMapText::htmlTable(map_));
    QApplication::clipboard()->setMimeData(data);
}

void RegisterMapDialog::exportMap()
{
    const QString path = chooseFile();
    if (path.isEmpty()) return;
    const QByteArray text = RegisterMapText::render(map_, RegisterMapText::formatForFile(path)).toUtf8();
    if (const QString failed = SaveFile::save(QFile::encodeName(path), text); !failed.isEmpty())
        messages_.error(QStringLiteral("The register map was not exported."), failed);
}
