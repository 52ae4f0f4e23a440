#include "ui/instrument/InstrumentWindow.h"

#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "files/FileNames.h"
#include "files/SaveFile.h"
#include "instrument/InstrumentGroups.h"
#include "instrument/SnapshotFile.h"
#include "pages/hart/HartStatusLine.h"
#include "pages/widgets/Controls.h"
#include "serial/Comm.h"
#include "ui/PortLoan.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
#include "ui/instrument/AsFoundName.h"
#include "ui/instrument/InstrumentEditor.h"
#include "ui/instrument/InstrumentGroupsView.h"
#include "ui/instrument/LoopTestDialog.h"
#include "ui/instrument/Sentences.h"
#include "ui/instrument/SnapshotComparison.h"
#include "ui/instrument/WritePlanDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const kFilter = "Instrument snapshots (*.json);;All files (*)";
const char* const kNothingRead = "Nothing read yet.";

QPushButton* button(const char* caption, const char* name)
{
    return named(new QPushButton(QString::fromUtf8(caption)), QString::fromLatin1(name));
}

// "reading the instrument" as a state: "Reading the instrument…".
QString underWay(const QString& what) { return what.left(1).toUpper() + what.mid(1) + QStringLiteral("…"); }

} // namespace

InstrumentWindow::InstrumentWindow(TForm1& form) : QWidget(&form, Qt::Window), form_(form)
{
    setObjectName("Instrument");
    setWindowTitle(QStringLiteral("Instrument"));
    chooseSaveFile = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save As Found"), QDir(folder_).filePath(suggested),
                                            QString::fromLatin1(kFilter));
    };
    chooseSnapshotFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Compare with Snapshot"), folder_,
                                            QString::fromLatin1(kFilter));
    };

    address_ = named(new QSpinBox, "InstrumentAddress");
    address_->setRange(0, 63);
    wait_ = named(new QSpinBox, "InstrumentWait");
    wait_->setRange(100, 10000);
    wait_->setSingleStep(100);
    wait_->setSuffix(QStringLiteral(" ms"));
    wait_->setValue(InstrumentRead::Options::kWaitMs);
    wait_->setToolTip(QStringLiteral("How long each request waits for its reply: 100 to 10000 ms. At 1200 baud a "
                                     "long reply and the converter's relay take up to a second."));
    readButton_ = button("Read", "InstrumentRead");
    cancel_ = button("Cancel", "InstrumentCancel");
    save_ = button("Save As Found…", "InstrumentSaveAsFound");
    compare_ = button("Compare…", "InstrumentCompare");
    edit_ = button("Edit…", "InstrumentEdit");
    edit_->setToolTip(QStringLiteral("Write settings of the instrument read last."));
    loopTestButton_ = button("Loop Test…", "InstrumentLoopTest");
    loopTestButton_->setToolTip(QStringLiteral("Fix the loop current of the instrument at the polling address in steps."));
    progress_ = named(new QProgressBar, "InstrumentProgress");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setFormat(QString());
    state_ = named(new QLabel, "InstrumentState");
    state_->setWordWrap(true);
    state_->setTextFormat(Qt::PlainText);
    state_->setText(QStringLiteral("Reads the instrument at the polling address through the converter in "
                                   "transparent mode; nothing is written to it."));
    statusLine_ = new HartStatusLine;
    statusLine_->setObjectName("InstrumentStatusLine");
    groups_ = named(new InstrumentGroupsView, "InstrumentGroups");
    groups_->clearGroups(QString::fromLatin1(kNothingRead));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Polling address:")));
    top->addWidget(address_);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Wait:")));
    top->addWidget(wait_);
    top->addWidget(readButton_);
    top->addWidget(cancel_);
    top->addStretch();
    top->addWidget(save_);
    top->addWidget(compare_);
    top->addWidget(edit_);
    top->addWidget(loopTestButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(state_);
    layout->addWidget(statusLine_);
    layout->addWidget(groups_, 1);

    connect(readButton_, &QPushButton::clicked, this, &InstrumentWindow::read);
    connect(cancel_, &QPushButton::clicked, this, &InstrumentWindow::cancel);
    connect(save_, &QPushButton::clicked, this, &InstrumentWindow::saveAsFound);
    connect(compare_, &QPushButton::clicked, this, &InstrumentWindow::compare);
    connect(edit_, &QPushButton::clicked, this, &InstrumentWindow::edit);
    connect(loopTestButton_, &QPushButton::clicked, this, &InstrumentWindow::loopTest);
    // The window goes when the program ends; the port must be back with it before then.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { endLoan(); });
    form.installEventFilter(this);
    showBusy(false);
    // Room for a HART 7 instrument's groups without scrolling, where the screen has it.
    const QFontMetrics m = fontMetrics();
    QSize size(std::max(140 * m.averageCharWidth(), top->sizeHint().width() + 24), 58 * m.height());
    if (const QScreen* screen = form.screen()) size = size.boundedTo(screen->availableSize() * 0.9);
    resize(size);
}

InstrumentWindow::~InstrumentWindow() { endLoan(); }

void InstrumentWindow::useFraming(int pollingAddress, int preambles, uint8_t master)
{
    if (busy()) return;
    if (pollingAddress >= 0) address_->setValue(pollingAddress);
    options_.preambles = preambles;
    options_.master = master;
}

bool InstrumentWindow::lend()
{
    if (busy()) return false;
    if (!form_.comm().IsOpen()) {
        state_->setText(QStringLiteral("The port is not open. Open it, then read."));
        return false;
    }
    if (form_.exchange().standingAside()) {
        state_->setText(QStringLiteral("The port is busy with another run (Live Values, a scan or the Converter "
                                       "menu). Read when it has ended."));
        return false;
    }
    statusLine_->clearStatus();
    loan_ = std::make_unique<PortLoan>(form_, InstrumentRead::sessionOptions(wait_->value(), form_.comm().BaudRate()));
    showBusy(true);
    // A run over the whole converter would need the port this run holds.
    form_.profileMenus().converterMenu()->menuAction()->setEnabled(false);
    return true;
}

void InstrumentWindow::giveBack(std::function<void()> ended)
{
    // The session is still on the call stack that reported the end: give the port back
    // from the event loop.
    QTimer::singleShot(0, this, [this, ended = std::move(ended)] {
        endLoan();
        showBusy(false);
        progress_->setRange(0, std::max(progress_->maximum(), 1));
        form_.profileMenus().converterMenu()->menuAction()->setEnabled(true);
        ended();
        if (closeWhenDone_) {
            closeWhenDone_ = false;
            if (loopDialog_) loopDialog_->close();
            close();
        }
        if (closeMainWhenDone_) {
            closeMainWhenDone_ = false;
            form_.close();
        }
    });
}

void InstrumentWindow::read()
{
    if (!lend()) return;
    current_ = {};
    currentJson_.clear();
    delete comparison_; // it compared the reading that goes now
    delete editor_;     // it edited it
    groups_->clearGroups(QString());
    options_.pollingAddress = address_->value();
    read_ = std::make_unique<InstrumentRead>(loan_->session(), options_);
    connect(read_.get(), &InstrumentRead::progress, this, &InstrumentWindow::onProgress);
    connect(read_.get(), &InstrumentRead::replied, statusLine_,
            [this](const HartStatus::Status& status) { statusLine_->showStatus(status); });
    connect(read_.get(), &InstrumentRead::finished, this, &InstrumentWindow::onFinished);
    read_->start();
}

void InstrumentWindow::cancel()
{
    if (!busy()) return;
    cancel_->setEnabled(false);
    if (read_) {
        read_->cancel();
        state_->setText(QStringLiteral("Cancelling: waiting for the reply to the %1 request or its time limit…").arg(reading_));
    } else if (write_) {
        if (plan_) return plan_->reject(); // not confirmed: nothing is written
        write_->cancel();
        state_->setText(QStringLiteral("Cancelling the write after the request under way; what was written stays written…"));
    } else if (loopTest_) {
        loopTest_->cancel();
        state_->setText(QStringLiteral("Stopping the loop test: leaving fixed current mode before the port goes back…"));
    }
}

void InstrumentWindow::closeEvent(QCloseEvent* event)
{
    if (!busy()) {
        if (loopDialog_) loopDialog_->close();
        return QWidget::closeEvent(event);
    }
    event->ignore();
    closeWhenDone_ = true;
    cancel();
}

bool InstrumentWindow::eventFilter(QObject* watched, QEvent* event)
{
    // An instrument must not be left half-written or in fixed current mode when the program ends.
    if (watched == &form_ && event->type() == QEvent::Close && (write_ || loopTest_)) {
        event->ignore();
        closeMainWhenDone_ = true;
        cancel();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void InstrumentWindow::showBusy(bool busy)
{
    address_->setEnabled(!busy);
    wait_->setEnabled(!busy);
    readButton_->setEnabled(!busy);
    cancel_->setEnabled(busy);
    // Only a reading is saved as found; what a write read back is shown, not saved.
    save_->setEnabled(!busy && !currentJson_.isEmpty());
    compare_->setEnabled(!busy && !current_.isEmpty());
    edit_->setEnabled(!busy && !current_.isEmpty());
    loopTestButton_->setEnabled(!busy);
}

void InstrumentWindow::onProgress(int step, int steps, const QString& what)
{
    reading_ = what;
    progress_->setRange(0, steps);
    progress_->setValue(step - 1); // the requests done before this one
    progress_->setFormat(QStringLiteral("%v of %m"));
    state_->setText(QStringLiteral("Reading %1 at polling address %2…").arg(what).arg(options_.pollingAddress));
}

void InstrumentWindow::onFinished(InstrumentRead::End end)
{
    switch (end) {
    case InstrumentRead::End::Completed:
        progress_->setValue(progress_->maximum());
        keep(read_->snapshot());
        break;
    case InstrumentRead::End::NoInstrument:
        state_->setText(QStringLiteral("No instrument: %1.").arg(read_->problem()));
        groups_->clearGroups(QString::fromLatin1(kNothingRead));
        break;
    case InstrumentRead::End::Cancelled:
        state_->setText(QStringLiteral("Cancelled while reading %1; nothing was kept.").arg(reading_));
        groups_->clearGroups(QString::fromLatin1(kNothingRead));
        break;
    case InstrumentRead::End::PortLost:
        state_->setText(QStringLiteral("The port went away during the reading; nothing was kept."));
        groups_->clearGroups(QString::fromLatin1(kNothingRead));
        break;
    }
    giveBack([this, end] { emit readingEnded(end); });
}

// The reading as its file has it: the window shows exactly the rows the command line prints.
void InstrumentWindow::keep(const InstrumentSnapshot& snapshot)
{
    present(snapshot.document(), snapshot.toJson());
    const QString notRead = snapshot.notes.isEmpty()
                                ? QString()
                                : QStringLiteral(" %1 gave nothing or less than their layout: see Not read.")
                                      .arg(snapshot.notes.size() == 1 ? QStringLiteral("1 command")
                                                                      : QStringLiteral("%1 commands").arg(snapshot.notes.size()));
    state_->setText(QStringLiteral("Polling address %1 read at %2.%3")
                        .arg(snapshot.pollingAddress)
                        .arg(snapshot.readAt.toLocalTime().toString(QStringLiteral("HH:mm:ss")), notRead));
}

void InstrumentWindow::present(const QJsonObject& reading, const QByteArray& json)
{
    current_ = reading;
    currentJson_ = json;
    delete editor_; // its fields started from the reading before
    groups_->setGroups(InstrumentGroups::groups(current_));
    // Wide enough for the rows, where the screen allows; never narrower than the user made it.
    if (const int missing = groups_->widthWanted() - groups_->width(); missing > 0) {
        const QScreen* screen = this->screen();
        const int most = screen ? int(screen->availableSize().width() * 0.95) : width() + missing;
        resize(std::min(width() + missing, std::max(most, width())), height());
    }
}

void InstrumentWindow::saveAsFound()
{
    if (currentJson_.isEmpty() || busy()) return;
    const QDate day = QDateTime::fromString(current_.value("read_at").toString(), Qt::ISODate).toLocalTime().date();
    const QString path = chooseSaveFile(AsFoundName::fileName(current_, day));
    if (path.isEmpty()) return;
    const QByteArray name = QFile::encodeName(path);
    if (const QString failed = SaveFile::save(name, currentJson_); !failed.isEmpty()) {
        form_.exchange().messages().error(QStringLiteral("The snapshot was not saved."), failed);
        return;
    }
    folder_ = QFileInfo(path).absolutePath();
    state_->setText(QStringLiteral("Saved as found to %1.").arg(FileNames::shown(name)));
}

void InstrumentWindow::compare()
{
    if (current_.isEmpty() || busy()) return;
    const QString path = chooseSnapshotFile();
    if (path.isEmpty()) return;
    const QByteArray name = QFile::encodeName(path);
    QStringList problems;
    const auto saved = SnapshotFile::load(name, problems);
    if (!saved) {
        form_.exchange().messages().error(
            QStringLiteral("%1 is not an instrument snapshot this program can read. Nothing was compared.")
                .arg(FileNames::shown(name)),
            problems.join(u'\n'));
        return;
    }
    folder_ = QFileInfo(path).absolutePath();
    delete comparison_;
    comparison_ = new SnapshotComparison(SnapshotFile::compare(*saved, current_), FileNames::shown(name), this);
    comparison_->show();
}

void InstrumentWindow::edit()
{
    if (current_.isEmpty() || busy()) return;
    if (!editor_) {
        editor_ = new InstrumentEditor(current_, this);
        connect(editor_, &InstrumentEditor::writeAsked, this, &InstrumentWindow::writeEdited);
    }
    editor_->prepare();
    editor_->open();
}

void InstrumentWindow::writeEdited()
{
    QStringList problems;
    const WritableSettings::Settings wanted = editor_->changed(problems);
    if (problems.isEmpty()) {
        // What no instrument would take is refused here, before the port is lent; the sensor's
        // limits are checked against the instrument's own reading when the write runs.
        const auto plan = WritableSettings::plan(WritableSettings::fromSnapshot(current_), wanted,
                                                 current_.value("identity").toObject().value("hart_revision").toInt(5),
                                                 std::nullopt);
        problems = plan.refusals;
        if (problems.isEmpty() && plan.empty()) problems << QStringLiteral("Nothing was changed, so nothing is written.");
    }
    if (problems.isEmpty() && !startWrite(wanted, editor_->resetChangedFlag())) problems << state_->text();
    if (!problems.isEmpty()) return editor_->showProblem(QStringLiteral("Nothing was written.\n") + asSentences(problems));
    editor_->accept();
}

bool InstrumentWindow::startWrite(const WritableSettings::Settings& wanted, bool resetChangedFlag)
{
    if (!lend()) return false;
    InstrumentWriteRun::Options options;
    options.read = options_;
    options.read.pollingAddress = current_.value("polling_address").toInt(address_->value());
    options.resetChangedFlag = resetChangedFlag_ = resetChangedFlag;
    options.port = form_.comm().CommName();
    options.auditPath = auditPath;
    write_ = std::make_unique<InstrumentWriteRun>(loan_->session(), options,
                                                  [wanted](const QJsonObject&) { return wanted; });
    connect(write_.get(), &InstrumentWriteRun::progress, state_, [this](const QString& what) { state_->setText(underWay(what)); });
    connect(write_.get(), &InstrumentWriteRun::replied, statusLine_,
            [this](const HartStatus::Status& status) { statusLine_->showStatus(status); });
    connect(write_.get(), &InstrumentWriteRun::planned, this, &InstrumentWindow::confirmWrites);
    connect(write_.get(), &InstrumentWriteRun::finished, this, &InstrumentWindow::onWriteFinished);
    progress_->setRange(0, 0);
    write_->start();
    return true;
}

void InstrumentWindow::confirmWrites(const WritableSettings::Plan& plan)
{
    state_->setText(QStringLiteral("Waiting for the go-ahead to write…"));
    plan_ = new WritePlanDialog(plan, current_.value("polling_address").toInt(), resetChangedFlag_, this);
    plan_->setAttribute(Qt::WA_DeleteOnClose);
    connect(plan_, &QDialog::finished, this, [this](int result) {
        if (write_) write_->confirm(result == QDialog::Accepted);
    });
    plan_->open();
}

void InstrumentWindow::onWriteFinished(InstrumentWriteRun::End end)
{
    using End = InstrumentWriteRun::End;
    const QStringList messages = write_->messages();
    const QJsonObject before = write_->before(), after = write_->after();
    QString head;
    switch (end) {
    case End::Written: head = QStringLiteral("Written and read back as asked."); break;
    case End::Nearest: head = QStringLiteral("Written; some setting was set to the nearest value the instrument allows."); break;
    case End::NothingToWrite: head = QStringLiteral("Nothing to write: the instrument already holds these values."); break;
    case End::Refused: head = QStringLiteral("Nothing was written."); break;
    case End::Declined: head = QStringLiteral("Not confirmed; nothing was written."); break;
    case End::Trouble: head = QStringLiteral("The write did not end as asked."); break;
    case End::Cancelled: head = QStringLiteral("The write was cancelled."); break;
    case End::PortLost: head = QStringLiteral("The port went away during the write."); break;
    }
    // Whatever the end, once the instrument was read back the view shows what it holds now.
    if (!after.isEmpty()) {
        present(after, QByteArray());
        address_->setValue(after.value("polling_address").toInt(address_->value()));
        delete comparison_;
        comparison_ = new SnapshotComparison(SnapshotFile::compare(before, after), QStringLiteral("the reading before the write"),
                                             this, {QStringLiteral("Before"), QStringLiteral("After")});
        comparison_->setWindowTitle(QStringLiteral("Written: Before and After"));
        comparison_->show();
    } else if (end == End::Trouble || end == End::Cancelled || end == End::PortLost) {
        head += QStringLiteral(" Read again to see what the instrument holds now.");
    }
    state_->setText(messages.isEmpty() ? head : head + u'\n' + asSentences(messages));
    if (end == End::Refused || end == End::Trouble || end == End::PortLost)
        form_.exchange().messages().error(head, asSentences(messages));
    giveBack([this, end] { emit writeEnded(end); });
}

void InstrumentWindow::loopTest()
{
    if (loopDialog_ && !loopDialog_->running() && !busy()) delete loopDialog_; // made again for the address now
    if (!loopDialog_) {
        loopDialog_ = new LoopTestDialog(address_->value(), this);
        connect(loopDialog_, &LoopTestDialog::startAsked, this, &InstrumentWindow::startLoopTest);
        connect(loopDialog_, &LoopTestDialog::stopAsked, this, &InstrumentWindow::cancel);
    }
    loopDialog_->show();
    loopDialog_->raise();
    loopDialog_->activateWindow();
}

void InstrumentWindow::startLoopTest(const std::vector<float>& currents, int holdMs)
{
    if (!lend()) return loopDialog_->refuse(state_->text());
    LoopTest::Options options;
    options.read = options_;
    options.read.pollingAddress = address_->value();
    options.currents = currents;
    options.holdMs = holdMs;
    options.baud = form_.comm().BaudRate();
    options.parity = form_.comm().Parity();
    options.port = form_.comm().CommName();
    options.auditPath = auditPath;
    loopTest_ = std::make_unique<LoopTest>(loan_->session(), options);
    loopDialog_->follow(*loopTest_);
    connect(loopTest_.get(), &LoopTest::progress, state_, [this](const QString& what) {
        state_->setText(QStringLiteral("Loop test: ") + underWay(what));
    });
    connect(loopTest_.get(), &LoopTest::replied, statusLine_,
            [this](const HartStatus::Status& status) { statusLine_->showStatus(status); });
    connect(loopTest_.get(), &LoopTest::finished, this, &InstrumentWindow::onLoopTestFinished);
    progress_->setRange(0, 0);
    loopTest_->start();
}

void InstrumentWindow::onLoopTestFinished(LoopTest::End end)
{
    const QStringList messages = loopTest_->messages();
    state_->setText(QStringLiteral("Loop test ended.\n") + asSentences(messages));
    if (end == LoopTest::End::StillFixed)
        form_.exchange().messages().error(QStringLiteral("The instrument may still hold a fixed loop current."),
                                          asSentences(messages));
    giveBack([this, end] { emit loopTestEnded(end); });
}

void InstrumentWindow::endLoan()
{
    read_.reset();
    write_.reset();
    loopTest_.reset();
    loan_.reset();
}
