#include "ui/HartScanDialog.h"

#include "pages/hart/HartStatusLine.h"
#include "serial/Comm.h"
#include "tools/Counted.h"
#include "ui/PortLoan.h"
#include "ui/TForm1.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Column { Address, Manufacturer, DeviceType, DeviceId, Revision, Tag, LongTag, Status, ColumnCount };

QString instruments(size_t n) { return counted(qint64(n), QStringLiteral("instrument")); }

// The last address of the range the list offers.
int lastOf(const QComboBox* range) { return range->currentIndex() == 1 ? 63 : 15; }

} // namespace

HartScanDialog::HartScanDialog(TForm1& window, HartScan::Options options)
    : QDialog(&window), window_(window), options_(options)
{
    setObjectName("HartScanDialog");
    setWindowTitle(QStringLiteral("Scan HART Polling Addresses"));
    setWindowModality(Qt::WindowModal); // the pages and menus wait while the port is lent

    range_ = new QComboBox(this);
    range_->setObjectName("HartScanRange");
    range_->addItems({QStringLiteral("0 to 15"), QStringLiteral("0 to 63 (HART 6 and 7)")});
    range_->setCurrentIndex(options_.last > 15 ? 1 : 0);
    start_ = new QPushButton(QStringLiteral("Start"), this);
    start_->setObjectName("HartScanStart");
    progress_ = new QProgressBar(this);
    progress_->setObjectName("HartScanProgress");
    progress_->setFormat(QStringLiteral("%v of %m addresses asked"));
    // Before Start, the bar counts the addresses the chosen range will ask.
    auto showRange = [this] {
        if (scan_) return;
        progress_->setRange(0, lastOf(range_) + 1);
        progress_->setValue(0);
    };
    showRange();
    connect(range_, &QComboBox::currentIndexChanged, this, showRange);
    state_ = new QLabel(QStringLiteral("Each address is asked for its identity (HART command 0) and waited "
                                       "for at most %1 s.")
                            .arg(kWaitMs / 1000),
                        this);
    state_->setObjectName("HartScanState");
    state_->setWordWrap(true);
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setObjectName("HartScanTable");
    table_->setHorizontalHeaderLabels(
        {"Address", "Manufacturer", "Device Type", "Device ID", "HART", "Tag", "Long Tag", "Status"});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Every column as wide as what it holds, the status taking the rest (its tooltip has it all).
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(Status, QHeaderView::Stretch);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName("HartScanCancel");
    cancel_->setEnabled(false);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName("HartScanClose");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Polling addresses:"), this));
    top->addWidget(range_);
    top->addWidget(start_);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(state_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(900, 380);

    connect(start_, &QPushButton::clicked, this, &HartScanDialog::start);
    connect(cancel_, &QPushButton::clicked, this, &HartScanDialog::cancel);
    connect(close_, &QPushButton::clicked, this, &HartScanDialog::reject);
    // The window goes when the program ends; the port must be back with it before then.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { endLoan(); });
}

HartScanDialog::~HartScanDialog() { endLoan(); }

void HartScanDialog::start()
{
    if (scan_) return;
    if (!window_.comm().IsOpen()) {
        state_->setText(QStringLiteral("The port is not open. Open it, then scan."));
        return;
    }
    options_.last = lastOf(range_);
    table_->setRowCount(0);
    progress_->setRange(0, options_.last + 1);
    progress_->setValue(0);
    asked_ = -1;
    ConverterSession::Options limits;
    limits.limitMs = kWaitMs;
    loan_ = std::make_unique<PortLoan>(window_, limits);
    scan_ = std::make_unique<HartScan>(loan_->session(), options_);
    connect(scan_.get(), &HartScan::progress, this, &HartScanDialog::onProgress);
    connect(scan_.get(), &HartScan::answered, this, &HartScanDialog::onAnswered);
    connect(scan_.get(), &HartScan::finished, this, &HartScanDialog::onFinished);
    range_->setEnabled(false);
    start_->setEnabled(false);
    close_->setEnabled(false);
    cancel_->setEnabled(true);
    scan_->start();
}

void HartScanDialog::cancel()
{
    if (!scan_) return;
    scan_->cancel();
    cancel_->setEnabled(false);
    state_->setText(QStringLiteral("Cancelling: waiting for polling address %1 to answer or time out…").arg(asked_));
}

void HartScanDialog::reject()
{
    if (!scan_) return QDialog::reject();
    closeWhenDone_ = true;
    cancel();
}

void HartScanDialog::onProgress(int address, int last)
{
    asked_ = address;
    progress_->setValue(address); // the addresses done before this one
    state_->setText(QStringLiteral("Asking polling address %1 of 0 to %2…").arg(address).arg(last));
}

void HartScanDialog::onAnswered(const HartScan::Found& found)
{
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto set = [&](int column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        table_->setItem(row, column, item);
        return item;
    };
    set(Address, QString::number(found.pollAddress));
    if (const auto& id = found.identity) {
        // As the Transparent Mode page shows them: hex, then decimal.
        set(Manufacturer, HartCodec::withDecimal(id->manufacturerText(), id->manufacturer));
        set(DeviceType, HartCodec::withDecimal(id->deviceTypeText(), id->deviceType));
        set(DeviceId, HartCodec::withDecimal(id->idText(), HartCodec::idNumber(id->id)));
        set(Revision, QString::number(id->revision));
    }
    set(Tag, found.tag.value_or(QString()));
    set(LongTag, found.longTag.value_or(QString()));
    QStringList status;
    if (found.identity) status << found.status.summary();
    status << found.problems;
    QTableWidgetItem* item = set(Status, status.join(QStringLiteral("; ")));
    const HartStatus::Severity severity = found.identity ? found.status.severity() : HartStatus::Severity::Error;
    item->setToolTip(item->text() + QStringLiteral("\n\n") +
                     (found.identity ? found.status.details() : found.problems.join(u'\n')));
    if (const QColor c = HartStatusLine::colourFor(severity, table_->palette().color(QPalette::Base)); c.isValid())
        item->setForeground(c);
}

void HartScanDialog::onFinished(HartScan::End end)
{
    const size_t count = scan_->found().size();
    progress_->setValue(end == HartScan::End::Completed ? progress_->maximum() : asked_ + 1);
    switch (end) {
    case HartScan::End::Completed:
        if (count) {
            state_->setText(
                QStringLiteral("%1 answered at polling addresses 0 to %2.").arg(instruments(count)).arg(options_.last));
        } else if (const QString why = HartScan::notTransparent(scan_->workingMode().value_or(0)); !why.isEmpty()) {
            state_->setText(QStringLiteral("No instrument answered at polling addresses 0 to %1: %2. Set working "
                                           "mode 0 on System Parameters to scan.")
                                .arg(options_.last)
                                .arg(why));
        } else {
            state_->setText(QStringLiteral("No instrument answered at polling addresses 0 to %1.").arg(options_.last));
        }
        break;
    case HartScan::End::Cancelled:
        state_->setText(
            QStringLiteral("Cancelled after polling address %1; %2 answered.").arg(asked_).arg(instruments(count)));
        break;
    case HartScan::End::PortLost: state_->setText(QStringLiteral("The port went away during the scan.")); break;
    }
    // The session is still on the call stack that reported the end: give the port back
    // from the event loop.
    QTimer::singleShot(0, this, [this, end] {
        endLoan();
        range_->setEnabled(true);
        start_->setEnabled(true);
        close_->setEnabled(true);
        cancel_->setEnabled(false);
        emit scanFinished(end);
        if (closeWhenDone_) QDialog::reject();
    });
}

void HartScanDialog::endLoan()
{
    scan_.reset();
    loan_.reset();
}
