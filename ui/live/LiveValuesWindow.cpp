#include "ui/live/LiveValuesWindow.h"

#include "exchange/Exchange.h"
#include "live/LiveSampler.h"
#include "live/NumberText.h"
#include "pages/modbus/ModbusPage.h"
#include "pages/widgets/Controls.h"
#include "serial/Comm.h"
#include "ui/PortLoan.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
#include "ui/live/FormatList.h"
#include "ui/live/LiveChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const kValueCaptions[5] = {"current", "variable 1", "variable 2", "variable 3", "variable 4"};
// The five values' names in a profile's format keys.
const char* const kFormatKeys[5] = {"current", "variable_1", "variable_2", "variable_3", "variable_4"};
const char* const kValueHeaders[] = {"Value", "Latest", "Unit", "Age", "Status"};
const char* const kStatsHeaders[] = {"Source", "Requests", "Answers", "Timeouts", "CRC errors", "Exceptions",
                                     "Last response"};
enum ValueColumn { Key, Latest, Unit, Age, Status };

QTableWidget* table(const char* name, const QStringList& headers)
{
    auto* t = new QTableWidget(0, int(headers.size()));
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setWordWrap(false); // one line per row; a long text ends in "…" and its tip has it whole
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true); // the status's words, the last response
    return t;
}

QTableWidgetItem* setText(QTableWidget* t, int row, int column, const QString& text)
{
    QTableWidgetItem* item = t->item(row, column);
    if (!item) t->setItem(row, column, item = new QTableWidgetItem);
    if (item->text() != text) item->setText(text);
    return item;
}

// A value in words (an instrument's status can run to a sentence) does not widen its column,
// which the numbers size: it is cut short in the cell and shown whole in the tip.
void setWords(QTableWidget* t, int row, int column, const QString& text)
{
    QTableWidgetItem* item = setText(t, row, column, text);
    if (item->toolTip() != text) item->setToolTip(text);
    if (!item->data(Qt::SizeHintRole).isValid()) item->setData(Qt::SizeHintRole, QSize(0, 0));
}

// What a table needs to show each column whole: its header, or a typical long entry.
int wholeWidth(const QTableWidget* t, const QStringList& samples, int firstColumnExtra = 0)
{
    const QStyle* style = t->style();
    const QFontMetrics metrics = t->fontMetrics();
    const int padding = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1) + metrics.averageCharWidth();
    int width = 2 * t->frameWidth() + style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, t) + firstColumnExtra;
    for (int c = 0; c < t->columnCount(); ++c)
        width += std::max(t->horizontalHeader()->sectionSizeHint(c), metrics.horizontalAdvance(samples.value(c)) + padding);
    return width;
}

// "0, 1" or "0 1": distinct polling addresses 0 to 15.
std::optional<std::vector<int>> addresses(const QString& text)
{
    std::vector<int> out;
    for (const QString& part : text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (!ok || n < 0 || n > 15 || std::find(out.begin(), out.end(), n) != out.end()) return std::nullopt;
        out.push_back(n);
    }
    return out;
}

QString seconds(qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', ms < 10000 ? 3 : 1) + " s"; }

} // namespace

LiveValuesWindow::LiveValuesWindow(TForm1& form) : QWidget(&form, Qt::Window), form_(form)
{
    setObjectName("LiveValues");
    setWindowTitle(QStringLiteral("Live Values"));
    chooseCsvFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Record CSV"), QString(),
                                            QStringLiteral("CSV files (*.csv);;All files (*)"));
    };

    values_ = table("LiveValueTable", {kValueHeaders, kValueHeaders + 5});
    values_->setToolTip(QStringLiteral("Tick a value to plot it."));
    stats_ = table("LiveStatsTable", {kStatsHeaders, kStatsHeaders + 7});
    chart_ = new LiveChart(history_);
    pause_ = named(new QPushButton(QStringLiteral("Pause")), "LivePause");
    pause_->setCheckable(true);
    span_ = named(new QComboBox, "LiveSpan");
    for (const auto& [text, ms] : {std::pair{"last minute", 60'000}, {"last 10 minutes", 600'000},
                                   {"last hour", 3'600'000}, {"everything kept", 0}})
        span_->addItem(QString::fromLatin1(text), ms);
    span_->setCurrentIndex(1);
    chart_->setSpanMs(span_->currentData().toInt());

    auto* tables = new QSplitter(Qt::Vertical);
    tables->addWidget(values_);
    tables->addWidget(stats_);
    tables->setStretchFactor(0, 3);
    auto* chartSide = new QWidget;
    auto* chartLayout = new QVBoxLayout(chartSide);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    auto* chartBar = new QHBoxLayout;
    chartBar->addWidget(new QLabel(QStringLiteral("Show:")));
    chartBar->addWidget(span_);
    chartBar->addStretch();
    chartBar->addWidget(pause_);
    chartLayout->addLayout(chartBar);
    chartLayout->addWidget(chart_, 1);
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(tables);
    split->addWidget(chartSide);
    split->setStretchFactor(1, 1);
    // The tables as wide as their columns with long entries (a slot's last variable, a
    // single with an exponent, a lost reply), the chart the rest.
    const int tablesWidth = std::max(
        wholeWidth(values_, {"slot4.variable_4", "-1.2345678e-05", "CuMtr_min", "999.999 s", "garbled reply"},
                   style()->pixelMetric(QStyle::PM_IndicatorWidth) + fontMetrics().averageCharWidth()),
        wholeWidth(stats_, {"hart15", "99999", "99999", "99999", "99999", "99999", "3000 ms"}));
    const int width = std::max(1180, tablesWidth + 640);
    split->setSizes({tablesWidth, width - tablesWidth});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildSetup());
    layout->addWidget(split, 1);
    layout->addWidget(buildNotice());

    connect(start_, &QPushButton::clicked, this, &LiveValuesWindow::start);
    connect(stop_, &QPushButton::clicked, this, &LiveValuesWindow::stop);
    connect(record_, &QPushButton::clicked, this, &LiveValuesWindow::record);
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        pause_->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
        chart_->setPaused(paused);
    });
    connect(span_, &QComboBox::currentIndexChanged, this, [this] { chart_->setSpanMs(span_->currentData().toInt()); });
    connect(interval_, &QSpinBox::valueChanged, this, [this](int ms) {
        if (sampler_ && LiveSampler::validInterval(ms)) sampler_->setInterval(ms);
    });
    connect(values_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != Key || !(item->flags() & Qt::ItemIsUserCheckable)) return;
        if (item->checkState() == Qt::Checked) plotted_.insert(item->text());
        else plotted_.remove(item->text());
        plotChosen();
    });
    ages_.setInterval(1000);
    connect(&ages_, &QTimer::timeout, this, &LiveValuesWindow::showAges);
    resize(width, 760);
}

// The run holds the window's port: it ends before the window goes.
LiveValuesWindow::~LiveValuesWindow()
{
    sampler_.reset();
    loan_.reset();
}

QWidget* LiveValuesWindow::buildSetup()
{
    auto* box = new QGroupBox(QStringLiteral("Poll"));
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("MODBUS slave address:")), 0, 0);
    slave_ = named(new QSpinBox, "LiveSlave");
    slave_->setRange(1, 247);
    grid->addWidget(slave_, 0, 1, Qt::AlignLeft);
    for (int v = 0; v < 5; ++v) grid->addWidget(new QLabel(QString::fromLatin1(kValueCaptions[v])), 0, 2 + v);
    for (int n = 0; n < 5; ++n) {
        const QString caption = QStringLiteral("Device %1 (%2 to %3)").arg(n).arg(40001 + 10 * n).arg(40010 + 10 * n);
        slot_[size_t(n)] = named(new QCheckBox(caption), QStringLiteral("LiveSlot%1").arg(n));
        grid->addWidget(slot_[size_t(n)], 1 + n, 0, 1, 2);
        setupControls_ << slot_[size_t(n)];
        for (int v = 0; v < 5; ++v) {
            auto* list = named(new FormatList, QStringLiteral("LiveFormat%1_%2").arg(n).arg(v));
            list->addItems(ModbusPage::formatItems(v));
            list->setCurrentIndex(0);
            format_[size_t(n)][size_t(v)] = list;
            grid->addWidget(list, 1 + n, 2 + v);
            setupControls_ << list;
        }
    }
    // Width to spare goes to the format lists, which then show more of their items.
    for (int v = 0; v < 5; ++v) grid->setColumnStretch(2 + v, 1);
    grid->addWidget(new QLabel(QStringLiteral("HART polling addresses:")), 6, 0);
    hart_ = named(new QLineEdit, "LiveHart");
    hart_->setPlaceholderText(QStringLiteral("0, 1"));
    hart_->setToolTip(QStringLiteral("Instruments to read with HART command 3 (transparent mode), 0 to 15."));
    grid->addWidget(hart_, 6, 1);

    interval_ = named(new QSpinBox, "LiveInterval");
    interval_->setRange(0, LiveSampler::kMaxIntervalMs);
    interval_->setSuffix(QStringLiteral(" ms"));
    interval_->setSpecialValueText(QStringLiteral("as fast as the line allows"));
    interval_->setValue(1000);
    interval_->setToolTip(QStringLiteral("0, or 100 ms to 1 h"));
    start_ = named(new QPushButton(QStringLiteral("Start")), "LiveStart");
    stop_ = named(new QPushButton(QStringLiteral("Stop")), "LiveStop");
    record_ = named(new QPushButton(QStringLiteral("Record CSV…")), "LiveRecord");
    period_ = named(new QLabel, "LivePeriod");
    auto* run = new QHBoxLayout;
    run->addWidget(new QLabel(QStringLiteral("Interval:")));
    run->addWidget(interval_);
    run->addWidget(start_);
    run->addWidget(stop_);
    run->addWidget(record_);
    run->addWidget(period_, 1);
    grid->addLayout(run, 6, 2, 1, 5);
    setupControls_ << slave_ << hart_;
    stop_->setEnabled(false);
    return box;
}

// Trouble that does not end the run, such as a recording that stopped: a line in the
// window, so that nothing stands in front of the values while polling goes on.
QWidget* LiveValuesWindow::buildNotice()
{
    notice_ = named(new QLabel, "LiveNotice");
    notice_->setWordWrap(true);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* sign = new QLabel;
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    sign->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
    noticeBar_ = new QWidget;
    auto* layout = new QHBoxLayout(noticeBar_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sign);
    layout->addWidget(notice_, 1);
    noticeBar_->hide();
    return noticeBar_;
}

void LiveValuesWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showAges();
    ages_.start();
}

void LiveValuesWindow::hideEvent(QHideEvent* event)
{
    ages_.stop();
    QWidget::hideEvent(event);
}

void LiveValuesWindow::takeSettings(const Profile& settings, int shownSlot)
{
    if (running()) return;
    for (int n = 0; n < 5; ++n)
        for (int v = 0; v < 5; ++v) {
            const auto code = settings.choice(QStringLiteral("modbus.devices[%1].formats.%2").arg(n).arg(kFormatKeys[v]));
            if (code) format_[size_t(n)][size_t(v)]->setCurrentIndex(*code);
        }
    if (const auto slave = settings.values.find(QStringLiteral("system.slave_address")); slave != settings.values.end()) {
        const int address = slave->second.toInt();
        if (address >= 1 && address <= 247) slave_->setValue(address);
    }
    bool anyChosen = !hart_->text().trimmed().isEmpty();
    for (QCheckBox* box : slot_) anyChosen = anyChosen || box->isChecked();
    if (anyChosen) return;
    const auto mode = settings.choice(QStringLiteral("system.working_mode"));
    const bool modbusMode = mode == 1 || mode == 2; // single meter, multi-slave: the slots are published
    if (modbusMode) slot_[size_t(std::clamp(shownSlot, 0, 4))]->setChecked(true);
    else hart_->setText(QStringLiteral("0"));
}

void LiveValuesWindow::closeEvent(QCloseEvent* event)
{
    stop();
    QWidget::closeEvent(event);
}

bool LiveValuesWindow::running() const { return sampler_ != nullptr; }

std::optional<LiveSetup> LiveValuesWindow::readSetup()
{
    MessageSink& messages = form_.exchange().messages();
    LiveSetup setup;
    setup.slave = slave_->value();
    for (int n = 0; n < 5; ++n) {
        if (!slot_[size_t(n)]->isChecked()) continue;
        RegisterFormat::SlotFormats formats{};
        for (int v = 0; v < 5; ++v) formats[size_t(v)] = std::max(0, format_[size_t(n)][size_t(v)]->currentIndex());
        setup.deviceSlots.emplace_back(n, formats);
    }
    const auto hart = addresses(hart_->text());
    if (!hart) {
        messages.error(QStringLiteral("'%1' is not a list of HART polling addresses: use 0 to 15, each once.")
                           .arg(hart_->text()));
        return std::nullopt;
    }
    setup.hart = *hart;
    if (setup.deviceSlots.empty() && setup.hart.empty()) {
        messages.error(QStringLiteral("Choose a device slot or a HART polling address to poll."));
        return std::nullopt;
    }
    setup.intervalMs = interval_->value();
    if (!LiveSampler::validInterval(setup.intervalMs)) {
        messages.error(QStringLiteral("The interval is 0 (as fast as the line allows) or 100 ms to 1 h."));
        return std::nullopt;
    }
    return setup;
}

void LiveValuesWindow::start()
{
    if (running()) return;
    MessageSink& messages = form_.exchange().messages();
    if (!form_.comm().IsOpen()) {
        messages.error(QStringLiteral("Open the port first: Live Values polls on the port the port panel opens."));
        return;
    }
    if (form_.profileMenus().run().running()) {
        messages.error(QStringLiteral("The port is busy with a run over the whole converter."));
        return;
    }
    if (form_.exchange().standingAside()) { // lent to a scan or an instrument reading
        messages.error(QStringLiteral("The port is busy with another run; start when it has ended."));
        return;
    }
    const auto setup = readSetup();
    if (!setup) return;
    loan_ = std::make_unique<PortLoan>(form_, setup->sessionOptions(form_.comm().BaudRate()));
    sampler_ = std::make_unique<LiveSampler>(loan_->session(), setup->sources());
    sampler_->setInterval(setup->intervalMs);
    connect(sampler_.get(), &LiveSampler::rowReady, this, &LiveValuesWindow::onRow);
    connect(sampler_.get(), &LiveSampler::finished, this, &LiveValuesWindow::onFinished);
    columns_ = sampler_->columns();
    history_.reset(int(columns_.size()));
    lastNumberMs_.assign(columns_.size(), -1);
    if (plotted_.isEmpty()) // each source's first variable, until the user chooses
        for (const auto& source : sampler_->sources()) plotted_.insert(source->columns()[1].key);
    noticeBar_->hide();
    fillTables();
    plotChosen();
    showRunning(true);
    sampler_->start();
}

void LiveValuesWindow::stop()
{
    if (!running()) return;
    stop_->setEnabled(false);
    stop_->setText(QStringLiteral("Stopping…"));
    sampler_->stop();
}

void LiveValuesWindow::showRunning(bool running)
{
    for (QWidget* w : setupControls_) w->setEnabled(!running);
    start_->setEnabled(!running);
    stop_->setEnabled(running);
    stop_->setText(QStringLiteral("Stop"));
    // A run over the whole converter would need the port the live run holds.
    form_.profileMenus().converterMenu()->menuAction()->setEnabled(!running);
}

void LiveValuesWindow::onFinished()
{
    // The session is still on the call stack that reported the end: give the port back
    // from the event loop.
    QTimer::singleShot(0, this, [this] {
        sampler_.reset();
        loan_.reset();
        stopRecording();
        showRunning(false);
        emit runEnded();
    });
}

void LiveValuesWindow::fillTables()
{
    filling_ = true;
    values_->setRowCount(int(columns_.size()));
    for (int r = 0; r < int(columns_.size()); ++r) {
        const LiveColumn& c = columns_[size_t(r)];
        auto* key = new QTableWidgetItem(c.key);
        if (!c.text) {
            key->setFlags(key->flags() | Qt::ItemIsUserCheckable);
            key->setCheckState(plotted_.contains(c.key) ? Qt::Checked : Qt::Unchecked);
        }
        values_->setItem(r, Key, key);
        for (int column : {Latest, Age, Status}) setText(values_, r, column, {});
        setText(values_, r, Unit, c.unit);
    }
    filling_ = false;
    stats_->setRowCount(int(sampler_->sources().size()));
    showStats();
    period_->clear();
}

void LiveValuesWindow::onRow(const LiveRow& row)
{
    const qint64 now = row.time.toMSecsSinceEpoch();
    history_.append(now, row.cells);
    // The columns again, for the units the replies named; each value's status is its source's.
    columns_.clear();
    std::vector<QString> status;
    for (const auto& source : sampler_->sources())
        for (LiveColumn& c : source->columns()) {
            columns_.push_back(std::move(c));
            status.push_back(source->status());
        }
    for (int r = 0; r < int(row.cells.size()) && r < values_->rowCount(); ++r) {
        const LiveCell& cell = row.cells[size_t(r)];
        if (!cell.empty()) lastNumberMs_[size_t(r)] = now;
        if (cell.number) setText(values_, r, Latest, numberText(*cell.number));
        else setWords(values_, r, Latest, cell.text);
        setText(values_, r, Unit, columns_[size_t(r)].unit);
        setText(values_, r, Status, status[size_t(r)]);
    }
    showAges();
    showStats();
    // A period needs two cycles' starts; until then there is the one cycle's length.
    const qint64 period = sampler_->periodMs(), cycle = sampler_->cycleMs();
    period_->setText(period < 0 ? QStringLiteral("Cycle: %1").arg(seconds(cycle))
                                : QStringLiteral("Period: %1 (cycle %2)").arg(seconds(std::max(period, cycle)), seconds(cycle)));
    chart_->refresh();
    if (csv_.isOpen() && !csv_.write(columns_, row)) recordingFailed();
}

// How long ago each value last held something.
void LiveValuesWindow::showAges()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int r = 0; r < int(lastNumberMs_.size()) && r < values_->rowCount(); ++r)
        setText(values_, r, Age, lastNumberMs_[size_t(r)] < 0 ? QString() : seconds(std::max<qint64>(0, now - lastNumberMs_[size_t(r)])));
}

void LiveValuesWindow::showStats()
{
    if (!sampler_) return;
    int r = 0;
    for (const auto& source : sampler_->sources()) {
        const LiveStats& s = source->stats;
        const QString cells[] = {source->name(), QString::number(s.requests), QString::number(s.answers),
                                 QString::number(s.timeouts), QString::number(s.crcErrors), QString::number(s.exceptions),
                                 s.lastResponseMs < 0 ? QString() : QStringLiteral("%1 ms").arg(s.lastResponseMs)};
        for (int c = 0; c < 7; ++c) setText(stats_, r, c, cells[c]);
        ++r;
    }
}

void LiveValuesWindow::plotChosen()
{
    std::vector<LiveChart::Plotted> plotted;
    for (int c = 0; c < int(columns_.size()); ++c)
        if (!columns_[size_t(c)].text && plotted_.contains(columns_[size_t(c)].key))
            plotted.push_back({c, columns_[size_t(c)].key});
    chart_->setPlotted(plotted);
}

void LiveValuesWindow::record()
{
    if (csv_.isOpen()) return stopRecording();
    const QString path = chooseCsvFile();
    if (path.isEmpty()) return;
    if (const QString why = csv_.open(path); !why.isEmpty()) {
        form_.exchange().messages().error(QStringLiteral("Cannot write %1: %2").arg(path, why));
        return;
    }
    noticeBar_->hide();
    record_->setText(QStringLiteral("Stop Recording"));
}

void LiveValuesWindow::recordingFailed()
{
    const QString text = QStringLiteral("Recording stopped: cannot write %1: %2").arg(csv_.fileName(), csv_.errorString());
    stopRecording();
    notice_->setText(text);
    noticeBar_->show();
}

void LiveValuesWindow::stopRecording()
{
    csv_.close();
    record_->setText(QStringLiteral("Record CSV…"));
}
