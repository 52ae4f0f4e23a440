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
#include "ui/instrument/InstrumentGroupsView.h"
#include "ui/instrument/SnapshotComparison.h"

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
    // The window goes when the program ends; the port must be back with it before then.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { endLoan(); });
    showReading(false);
    // Room for a HART 7 instrument's groups without scrolling, where the screen has it.
    const QFontMetrics m = fontMetrics();
    QSize size(std::max(140 * m.averageCharWidth(), top->sizeHint().width() + 24), 58 * m.height());
    if (const QScreen* screen = form.screen()) size = size.boundedTo(screen->availableSize() * 0.9);
    resize(size);
}

InstrumentWindow::~InstrumentWindow() { endLoan(); }

void InstrumentWindow::useFraming(int pollingAddress, int preambles, uint8_t master)
{
    if (reading()) return;
    if (pollingAddress >= 0) address_->setValue(pollingAddress);
    options_.preambles = preambles;
    options_.master = master;
}

void InstrumentWindow::read()
{
    if (reading()) return;
    if (!form_.comm().IsOpen()) {
        state_->setText(QStringLiteral("The port is not open. Open it, then read."));
        return;
    }
    if (form_.exchange().standingAside()) {
        state_->setText(QStringLiteral("The port is busy with another run (Live Values, a scan or the Converter "
                                       "menu). Read when it has ended."));
        return;
    }
    current_ = {};
    currentJson_.clear();
    delete comparison_; // it compared the reading that goes now
    groups_->clearGroups(QString());
    statusLine_->clearStatus();
    options_.pollingAddress = address_->value();
    loan_ = std::make_unique<PortLoan>(form_, InstrumentRead::sessionOptions(wait_->value(), form_.comm().BaudRate()));
    read_ = std::make_unique<InstrumentRead>(loan_->session(), options_);
    connect(read_.get(), &InstrumentRead::progress, this, &InstrumentWindow::onProgress);
    connect(read_.get(), &InstrumentRead::replied, statusLine_,
            [this](const HartStatus::Status& status) { statusLine_->showStatus(status); });
    connect(read_.get(), &InstrumentRead::finished, this, &InstrumentWindow::onFinished);
    showReading(true);
    // A run over the whole converter would need the port the reading holds.
    form_.profileMenus().converterMenu()->menuAction()->setEnabled(false);
    read_->start();
}

void InstrumentWindow::cancel()
{
    if (!reading()) return;
    read_->cancel();
    cancel_->setEnabled(false);
    state_->setText(QStringLiteral("Cancelling: waiting for the reply to the %1 request or its time limit…").arg(reading_));
}

void InstrumentWindow::closeEvent(QCloseEvent* event)
{
    if (!reading()) return QWidget::closeEvent(event);
    event->ignore();
    closeWhenDone_ = true;
    cancel();
}

void InstrumentWindow::showReading(bool reading)
{
    address_->setEnabled(!reading);
    wait_->setEnabled(!reading);
    readButton_->setEnabled(!reading);
    cancel_->setEnabled(reading);
    save_->setEnabled(!reading && !current_.isEmpty());
    compare_->setEnabled(!reading && !current_.isEmpty());
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
    // The session is still on the call stack that reported the end: give the port back
    // from the event loop.
    QTimer::singleShot(0, this, [this, end] {
        endLoan();
        showReading(false);
        form_.profileMenus().converterMenu()->menuAction()->setEnabled(true);
        emit readingEnded(end);
        if (closeWhenDone_) {
            closeWhenDone_ = false;
            close();
        }
    });
}

// The reading as its file has it: the window shows exactly the rows the command line prints.
void InstrumentWindow::keep(const InstrumentSnapshot& snapshot)
{
    QStringList problems;
    const QByteArray json = snapshot.toJson();
    const auto read = SnapshotFile::fromJson(json, problems);
    if (!read) {
        state_->setText(QStringLiteral("The reading could not be shown: %1").arg(problems.join(QStringLiteral("; "))));
        groups_->clearGroups(QString::fromLatin1(kNothingRead));
        return;
    }
    current_ = *read;
    currentJson_ = json;
    groups_->setGroups(InstrumentGroups::groups(current_));
    // Wide enough for the rows, where the screen allows; never narrower than the user made it.
    if (const int missing = groups_->widthWanted() - groups_->width(); missing > 0) {
        const QScreen* screen = this->screen();
        const int most = screen ? int(screen->availableSize().width() * 0.95) : width() + missing;
        resize(std::min(width() + missing, std::max(most, width())), height());
    }
    const QString notRead = snapshot.notes.isEmpty()
                                ? QString()
                                : QStringLiteral(" %1 gave nothing or less than their layout: see Not read.")
                                      .arg(snapshot.notes.size() == 1 ? QStringLiteral("1 command")
                                                                      : QStringLiteral("%1 commands").arg(snapshot.notes.size()));
    state_->setText(QStringLiteral("Polling address %1 read at %2.%3")
                        .arg(snapshot.pollingAddress)
                        .arg(snapshot.readAt.toLocalTime().toString(QStringLiteral("HH:mm:ss")), notRead));
}

void InstrumentWindow::saveAsFound()
{
    if (current_.isEmpty() || reading()) return;
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
    if (current_.isEmpty() || reading()) return;
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

void InstrumentWindow::endLoan()
{
    read_.reset();
    loan_.reset();
}
