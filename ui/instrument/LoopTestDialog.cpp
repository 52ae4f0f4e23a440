#include "ui/instrument/LoopTestDialog.h"

#include "pages/hart/InstrumentWrites.h"
#include "pages/widgets/Controls.h"
#include "tools/FloatText.h"
#include "ui/instrument/Sentences.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString mA(float f) { return shortestSingle(f) + QStringLiteral(" mA"); }

} // namespace

LoopTestDialog::LoopTestDialog(int pollingAddress, QWidget* parent) : QDialog(parent), pollingAddress_(pollingAddress)
{
    setObjectName("LoopTest");
    setWindowTitle(QStringLiteral("Loop Test at Polling Address %1").arg(pollingAddress));

    currents_ = named(new QLineEdit(QStringLiteral("4 12 20")), "LoopTestCurrents");
    currents_->setToolTip(QStringLiteral("The loop currents to hold in turn, 3 to 24 mA each."));
    hold_ = named(new QSpinBox, "LoopTestHold");
    hold_->setRange(1, 3600);
    hold_->setValue(10);
    hold_->setSuffix(QStringLiteral(" s"));
    manual_ = named(new QCheckBox(QStringLiteral("The loop is in manual at the control system")), "LoopTestManual");
    start_ = named(new QPushButton(QStringLiteral("Start")), "LoopTestStart");
    stop_ = named(new QPushButton(QStringLiteral("Stop")), "LoopTestStop");
    close_ = named(new QPushButton(QStringLiteral("Close")), "LoopTestClose");
    steps_ = named(new QTableWidget(0, 2), "LoopTestSteps");
    steps_->setHorizontalHeaderLabels({"Asked", "Set by the instrument"});
    steps_->verticalHeader()->hide();
    steps_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    steps_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    state_ = named(new QLabel, "LoopTestState");
    state_->setWordWrap(true);
    state_->setTextFormat(Qt::PlainText);

    auto* note = new QLabel(QStringLiteral(
        "The instrument's loop current is fixed at each current in turn, moving the signal the control system reads. "
        "Stop, or closing this dialog, the Instrument window or the main window, ends the test: the instrument is "
        "told to leave fixed current mode first, and the port goes back once it has."));
    note->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Currents (mA):"), currents_);
    form->addRow(QStringLiteral("Hold each:"), hold_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(manual_);
    layout->addLayout(buttons);
    layout->addWidget(steps_, 1);
    layout->addWidget(state_);

    connect(manual_, &QCheckBox::toggled, this, [this] { showRunning(running_); });
    connect(start_, &QPushButton::clicked, this, &LoopTestDialog::start);
    connect(stop_, &QPushButton::clicked, this, &LoopTestDialog::stop);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    showRunning(false);
    const QFontMetrics m = fontMetrics();
    resize(80 * m.averageCharWidth(), 26 * m.height());
}

std::optional<std::vector<float>> LoopTestDialog::currents(const QString& text, QString& problem)
{
    std::vector<float> out;
    for (const QString& word : text.split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts)) {
        bool ok = false;
        const float f = word.toFloat(&ok);
        if (!ok || f == 0 || !InstrumentWrites::fixedCurrent(f).ok()) {
            problem = QStringLiteral("The currents are numbers from 3 to 24 mA, such as 4 12 20; not '%1'.").arg(word);
            return std::nullopt;
        }
        out.push_back(f);
    }
    if (out.empty()) {
        problem = QStringLiteral("Give one or more currents from 3 to 24 mA, such as 4 12 20.");
        return std::nullopt;
    }
    return out;
}

void LoopTestDialog::start()
{
    if (running_ || !manual_->isChecked()) return;
    QString problem;
    const auto list = currents(currents_->text(), problem);
    if (!list) return refuse(problem);
    steps_->setRowCount(0);
    state_->clear();
    emit startAsked(*list, hold_->value() * 1000);
}

void LoopTestDialog::refuse(const QString& why) { state_->setText(why); }

void LoopTestDialog::follow(LoopTest& test)
{
    running_ = true;
    showRunning(true);
    connect(&test, &LoopTest::progress, this, [this](const QString& what) {
        state_->setText(what.left(1).toUpper() + what.mid(1) + QStringLiteral("…"));
    });
    connect(&test, &LoopTest::currentSet, this, [this](int, float asked, std::optional<float> set) {
        const int row = steps_->rowCount();
        steps_->insertRow(row);
        steps_->setItem(row, 0, new QTableWidgetItem(mA(asked)));
        steps_->setItem(row, 1, new QTableWidgetItem(set ? mA(*set) : QStringLiteral("no current in the reply")));
        state_->setText(QStringLiteral("Holding %1 for %2 s…").arg(mA(asked)).arg(hold_->value()));
    });
    connect(&test, &LoopTest::finished, this, [this, &test](LoopTest::End end) {
        onFinished(end, test.messages(), test.auditProblem().isEmpty());
    });
}

void LoopTestDialog::stop()
{
    if (!running_) return;
    stop_->setEnabled(false);
    state_->setText(QStringLiteral("Stopping: leaving fixed current mode…"));
    emit stopAsked();
}

void LoopTestDialog::onFinished(LoopTest::End end, const QStringList& messages, bool audited)
{
    running_ = false;
    manual_->setChecked(false); // asked again before another test
    showRunning(false);
    QString head;
    switch (end) {
    case LoopTest::End::Completed: head = QStringLiteral("Completed."); break;
    case LoopTest::End::Stopped: head = QStringLiteral("Stopped."); break;
    case LoopTest::End::NoInstrument: head = QStringLiteral("No instrument answered; nothing was fixed."); break;
    case LoopTest::End::StillFixed:
        head = QStringLiteral("The instrument may still hold a fixed loop current: leave fixed current mode by hand.");
        break;
    }
    if (!audited) head += QStringLiteral(" Not all of it is in the audit log.");
    state_->setText(head + u'\n' + asSentences(messages));
    if (closeWhenDone_) {
        closeWhenDone_ = false;
        close();
    }
}

void LoopTestDialog::showRunning(bool running)
{
    currents_->setEnabled(!running);
    hold_->setEnabled(!running);
    manual_->setEnabled(!running);
    start_->setEnabled(!running && manual_->isChecked());
    stop_->setEnabled(running);
}

void LoopTestDialog::closeEvent(QCloseEvent* event)
{
    if (!running_) return QDialog::closeEvent(event);
    event->ignore();
    closeWhenDone_ = true;
    stop();
    state_->setText(QStringLiteral("Stopping: leaving fixed current mode; the dialog closes once the instrument has left it…"));
}

void LoopTestDialog::reject()
{
    if (running_) close(); // Escape stops the test the same way
    else QDialog::reject();
}
