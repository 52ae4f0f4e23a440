// Writing and the loop test in the Instrument window, against the stand-in: what the user
// changes is planned, confirmed, written and read back into the view; typed values that cannot
// be sent, a write-protected instrument and a declined plan write nothing; a loop test ends
// out of fixed current mode, however the window or the dialog is closed while it runs.
#include "exchange/Exchange.h"
#include "instrument/AuditLog.h"
#include "pages/hart/HartCodec.h"
#include "pages/hart/HartCommands.h"
#include "serial/Comm.h"
#include "session/HartRequest.h"
#include "tests/support/BinaryPort.h"
#include "tests/support/Controls.h"
#include "tests/support/HartStatusNow.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/StandIn.h"
#include "ui/PortLoan.h"
#include "ui/TForm1.h"
#include "ui/instrument/InstrumentEditor.h"
#include "ui/instrument/InstrumentWindow.h"
#include "ui/instrument/LoopTestDialog.h"
#include "ui/instrument/WritePlanDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

constexpr uint8_t kLoopCurrentFixed = 0x08; // in the field device status
constexpr int kRunMs = 60000;               // a reading, a write and its read-back on busy cores

struct Window {
    RecordingMessages messages;
    TForm1 form{&messages};
    QTemporaryDir dir;
    InstrumentWindow* instrument = nullptr;

    explicit Window(const QString& link)
    {
        control<QComboBox>(form, "SPREALCOM")->setEditText(link);
        control<QPushButton>(form, "Button1")->click();
        control<QPushButton>(form, "HartInstrument")->click();
        instrument = form.findChild<InstrumentWindow*>();
        instrument->auditPath = QFile::encodeName(auditPath());
    }
    QString auditPath() const { return dir.filePath("writes.log"); }
    QStringList auditLines() const
    {
        QFile f(auditPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts) : QStringList();
    }
    template <class W = QWidget> W* in(const char* name) { return control<W>(*instrument, name); }

    bool read(int address)
    {
        in<QSpinBox>("InstrumentAddress")->setValue(address);
        QSignalSpy ended(instrument, &InstrumentWindow::readingEnded);
        in<QPushButton>("InstrumentRead")->click();
        return ended.wait(kRunMs) && ended.first().first().value<InstrumentRead::End>() == InstrumentRead::End::Completed;
    }
    InstrumentEditor* edit()
    {
        in<QPushButton>("InstrumentEdit")->click();
        auto* editor = instrument->findChild<InstrumentEditor*>();
        return editor && editor->isVisible() ? editor : nullptr;
    }
    // The plan dialog once the write has read the instrument; null when none came.
    WritePlanDialog* plan()
    {
        (void)QTest::qWaitFor([&] { return instrument->findChild<WritePlanDialog*>() || !instrument->busy(); }, kRunMs);
        return instrument->findChild<WritePlanDialog*>();
    }
    // Whether the groups on screen show `text` as a value.
    bool showing(const QString& text)
    {
        for (const QLabel* label : in("InstrumentGroups")->findChildren<QLabel*>())
            if (label->text() == text) return true;
        return false;
    }
};

template <class W = QWidget> W* in(QWidget* w, const char* name) { return control<W>(*w, name); }

// The same over the window's port, or when the main window has gone, over the link itself.
std::optional<uint8_t> statusNow(TForm1& form, int address)
{
    if (form.comm().IsOpen()) {
        PortLoan loan(form);
        return hartStatusNow(loan.session(), address);
    }
    TComm comm;
    openBinary(comm, form.comm().CommName());
    NoView view;
    ConverterSession session(comm, view);
    return hartStatusNow(session, address);
}

LoopTestDialog* startLoopTest(Window& w, int address, const QString& currents, int holdS)
{
    w.in<QSpinBox>("InstrumentAddress")->setValue(address);
    w.in<QPushButton>("InstrumentLoopTest")->click();
    auto* dialog = w.instrument->findChild<LoopTestDialog*>();
    in<QLineEdit>(dialog, "LoopTestCurrents")->setText(currents);
    in<QSpinBox>(dialog, "LoopTestHold")->setValue(holdS);
    if (in<QPushButton>(dialog, "LoopTestStart")->isEnabled()) return nullptr; // not before the loop is in manual
    in<QCheckBox>(dialog, "LoopTestManual")->setChecked(true);
    in<QPushButton>(dialog, "LoopTestStart")->click();
    return dialog;
}

} // namespace

class TestInstrumentWritesWindow : public QObject {
    Q_OBJECT

private slots:
    // The tag and the damping are planned old beside new, written, read back into the view and
    // compared with the reading before; a damping between the instrument's steps ends as set
    // to the nearest. One audit line per setting; the changed flag is left alone.
    void writesWhatWasChangedAndReadsItBack_data()
    {
        QTest::addColumn<QString>("damping");
        QTest::addColumn<InstrumentWriteRun::End>("end");
        QTest::newRow("as asked") << "0.5" << InstrumentWriteRun::End::Written;
        QTest::newRow("to the nearest") << "0.55" << InstrumentWriteRun::End::Nearest;
    }
    void writesWhatWasChangedAndReadsItBack()
    {
        QFETCH(QString, damping);
        QFETCH(InstrumentWriteRun::End, end);
        StandIn sim;
        Window w(sim.link);
        QVERIFY(!w.in<QPushButton>("InstrumentEdit")->isEnabled()); // nothing read yet
        QVERIFY(w.read(1));
        InstrumentEditor* editor = w.edit();
        QVERIFY(editor);
        QCOMPARE(in<QLineEdit>(editor, "EditTag")->text(), QString("PT-201"));
        QCOMPARE(in<QLineEdit>(editor, "EditDamping")->text(), QString("1"));
        QVERIFY(!in<QCheckBox>(editor, "EditResetChangedFlag")->isChecked());
        in<QLineEdit>(editor, "EditTag")->setText("pt-202");
        in<QLineEdit>(editor, "EditDamping")->setText(damping);
        QSignalSpy ended(w.instrument, &InstrumentWindow::writeEnded);
        in<QPushButton>(editor, "EditWrite")->click();
        QVERIFY(!editor->isVisible());

        WritePlanDialog* plan = w.plan();
        QVERIFY(plan && plan->isVisible());
        auto* rows = in<QTableWidget>(plan, "WritePlanTable");
        QCOMPARE(rows->rowCount(), 2); // only what was changed
        QStringList planned;
        for (int r = 0; r < rows->rowCount(); ++r)
            planned << rows->item(r, 0)->text() + ": " + rows->item(r, 1)->text() + " -> " + rows->item(r, 2)->text();
        QCOMPARE(planned, QStringList({"tag: \"PT-201\" -> \"PT-202\"", "damping: 1 s -> " + damping + " s"}));
        QVERIFY(in<QLabel>(plan, "WritePlanWarnings")->text().contains("changed flag stays set"));
        in<QPushButton>(plan, "WritePlanWrite")->click();

        QVERIFY(ended.wait(kRunMs));
        QCOMPARE(ended.first().first().value<InstrumentWriteRun::End>(), end);
        QTRY_VERIFY(!w.instrument->busy());
        QCOMPARE(w.instrument->current().value("tag").toString(), QString("PT-202"));
        const double set = w.instrument->current().value("pv").toObject().value("damping_s").toDouble();
        if (end == InstrumentWriteRun::End::Written) QCOMPARE(set, 0.5);
        else QVERIFY(qAbs(set - 0.55) < 0.06 && qAbs(set - 0.55) > 0.01);
        QVERIFY(w.showing("PT-202") && !w.showing("PT-201"));
        QVERIFY(w.in<QLabel>("InstrumentState")->text().contains(end == InstrumentWriteRun::End::Written ? "read back as asked" : "nearest"));
        // Before beside after, and a new reading can be saved, not this one.
        auto* comparison = w.instrument->findChild<QWidget*>("SnapshotComparison");
        QVERIFY(comparison && comparison->isVisible());
        QStringList keys;
        const auto* table = comparison->findChild<QTableWidget*>("CompareTable");
        for (int r = 0; r < table->rowCount(); ++r) keys << table->item(r, 0)->text();
        QVERIFY(keys.contains("tag") && keys.contains("pv.damping_s"));
        QVERIFY(!w.in<QPushButton>("InstrumentSaveAsFound")->isEnabled());
        QVERIFY(w.in<QPushButton>("InstrumentEdit")->isEnabled());

        const QStringList audit = w.auditLines();
        QCOMPARE(audit.size(), 2);
        QVERIFY(audit[0].contains("\ttag\t") && audit[1].contains("\tdamping\t"));
        QVERIFY(w.messages.entries.isEmpty());
        QVERIFY(w.form.comm().IsOpen() && !w.form.exchange().standingAside());
        // The next edit starts from what was read back.
        InstrumentEditor* again = w.edit();
        QCOMPARE(in<QLineEdit>(again, "EditTag")->text(), QString("PT-202"));
    }

    // The other settings of the HART 7 radar, each written through the window and read back
    // where the instrument now answers: the polling address moves last, and the reading
    // follows it there.
    void writesEveryOtherKey()
    {
        StandIn sim;
        Window w(sim.link);
        QVERIFY(w.read(5));
        InstrumentEditor* editor = w.edit();
        QVERIFY(editor);
        in<QLineEdit>(editor, "EditLongTag")->setText("Spare tank level");
        in<QLineEdit>(editor, "EditDescriptor")->setText("spare tank");
        in<QLineEdit>(editor, "EditMessage")->setText("moved to t-506");
        in<QLineEdit>(editor, "EditDate")->setText("2026-12-10");
        in<QComboBox>(editor, "EditUnit")->setEditText("cm");
        in<QLineEdit>(editor, "EditLowerRange")->setText("10");
        in<QLineEdit>(editor, "EditUpperRange")->setText("550");
        in<QComboBox>(editor, "EditTransferFunction")->setEditText("square root");
        in<QComboBox>(editor, "EditLoopCurrentMode")->setCurrentText("disabled");
        in<QSpinBox>(editor, "EditPollingAddress")->setValue(7);
        QSignalSpy ended(w.instrument, &InstrumentWindow::writeEnded);
        in<QPushButton>(editor, "EditWrite")->click();
        WritePlanDialog* plan = w.plan();
        QVERIFY2(plan, qPrintable(in<QLabel>(editor, "EditProblem")->text()));
        QCOMPARE(in<QTableWidget>(plan, "WritePlanTable")->rowCount(), 9);
        in<QPushButton>(plan, "WritePlanWrite")->click();
        QVERIFY(ended.wait(kRunMs));
        QCOMPARE(ended.first().first().value<InstrumentWriteRun::End>(), InstrumentWriteRun::End::Written);
        const QJsonObject now = w.instrument->current();
        QCOMPARE(now.value("polling_address").toInt(), 7);
        QCOMPARE(now.value("long_tag").toString(), QString("Spare tank level"));
        QCOMPARE(now.value("descriptor").toString(), QString("SPARE TANK"));
        QCOMPARE(now.value("message").toString(), QString("MOVED TO T-506"));
        QCOMPARE(now.value("date").toString(), QString("2026-12-10"));
        QCOMPARE(now.value("loop_current_mode").toString(), QString("disabled"));
        const QJsonObject pv = now.value("pv").toObject();
        QCOMPARE(pv.value("unit").toString(), QString("cm"));
        QCOMPARE(pv.value("lower_range").toDouble(), 10.0);
        QCOMPARE(pv.value("upper_range").toDouble(), 550.0);
        QCOMPARE(pv.value("transfer_function").toString(), QString("square root"));
        QCOMPARE(w.auditLines().size(), 9);
    }

    // Typed values that cannot be sent are named in the editor and nothing runs; nor does a
    // write where nothing was changed.
    void refusesTypedValuesBeforeAnythingRuns_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("damping") << "EditDamping" << "fast" << "damping takes seconds";
        QTest::newRow("negative damping") << "EditDamping" << "-1" << "damping";
        QTest::newRow("date") << "EditDate" << "2026-13-01" << "YYYY-MM-DD";
        QTest::newRow("tag") << "EditTag" << "TÄG" << "'Ä'";
        QTest::newRow("range") << "EditUpperRange" << "-2" << "upper";
        QTest::newRow("unit") << "EditUnit" << "furlongs" << "unit takes";
        QTest::newRow("unchanged") << "EditTag" << "pt-201" << "Nothing was changed";
    }
    void refusesTypedValuesBeforeAnythingRuns()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        StandIn sim;
        Window w(sim.link);
        QVERIFY(w.read(1));
        InstrumentEditor* editor = w.edit();
        if (auto* box = editor->findChild<QComboBox*>(field)) box->setEditText(text);
        else in<QLineEdit>(editor, field.toLatin1())->setText(text);
        in<QPushButton>(editor, "EditWrite")->click();
        QVERIFY(!w.instrument->busy());
        QVERIFY(editor->isVisible());
        const QString shown = in<QLabel>(editor, "EditProblem")->text();
        QVERIFY2(shown.startsWith("Nothing was written.") && shown.contains(problem, Qt::CaseInsensitive), qPrintable(shown));
        QVERIFY(!QFile::exists(w.auditPath()));
    }

    // The write-protected instrument refuses after the reading, before any plan; a declined
    // plan writes nothing, and the reset check box is unchecked when the editor comes back.
    void writeProtectedOrDeclinedWritesNothing()
    {
        StandIn sim;
        Window w(sim.link);
        QVERIFY(w.read(2));
        InstrumentEditor* editor = w.edit();
        in<QLineEdit>(editor, "EditTag")->setText("TT-302");
        QSignalSpy ended(w.instrument, &InstrumentWindow::writeEnded);
        in<QPushButton>(editor, "EditWrite")->click();
        QVERIFY(!w.plan());
        QVERIFY(ended.count() == 1 || ended.wait(kRunMs));
        QCOMPARE(ended.takeFirst().first().value<InstrumentWriteRun::End>(), InstrumentWriteRun::End::Refused);
        QCOMPARE(w.messages.last(), QString("Nothing was written."));
        QVERIFY(w.messages.entries.last().detail.contains("write-protected"));
        QTRY_VERIFY(!w.instrument->busy());
        QVERIFY(w.read(2));
        QCOMPARE(w.instrument->current().value("tag").toString(), QString("TT-301"));

        QVERIFY(w.read(1));
        editor = w.edit();
        in<QLineEdit>(editor, "EditTag")->setText("PT-209");
        in<QCheckBox>(editor, "EditResetChangedFlag")->setChecked(true);
        in<QPushButton>(editor, "EditWrite")->click();
        WritePlanDialog* plan = w.plan();
        QVERIFY(plan);
        QVERIFY(in<QLabel>(plan, "WritePlanWarnings")->text().contains("changed flag will be reset"));
        in<QPushButton>(plan, "WritePlanCancel")->click();
        QVERIFY(ended.wait(kRunMs));
        QCOMPARE(ended.first().first().value<InstrumentWriteRun::End>(), InstrumentWriteRun::End::Declined);
        QTRY_VERIFY(!w.instrument->busy());
        QVERIFY(w.in<QLabel>("InstrumentState")->text().startsWith("Not confirmed; nothing was written."));
        editor = w.edit();
        QCOMPARE(in<QLineEdit>(editor, "EditTag")->text(), QString("PT-209")); // what was typed stays
        QVERIFY(!in<QCheckBox>(editor, "EditResetChangedFlag")->isChecked());
        editor->reject();
        QVERIFY(w.read(1));
        QCOMPARE(w.instrument->current().value("tag").toString(), QString("PT-201"));
        QVERIFY(!QFile::exists(w.auditPath()));
    }

    // Each current asked is shown with the one set; afterwards command 3 shows no fixed loop
    // current, and the port is the main window's again.
    void loopTestCompletes()
    {
        StandIn sim;
        Window w(sim.link);
        QSignalSpy ended(w.instrument, &InstrumentWindow::loopTestEnded);
        LoopTestDialog* dialog = startLoopTest(w, 5, "4 20", 1);
        QVERIFY(dialog);
        QVERIFY(w.instrument->busy());
        QVERIFY(ended.wait(kRunMs));
        QCOMPARE(ended.first().first().value<LoopTest::End>(), LoopTest::End::Completed);
        auto* steps = in<QTableWidget>(dialog, "LoopTestSteps");
        QCOMPARE(steps->rowCount(), 2);
        QCOMPARE(steps->item(0, 0)->text(), QString("4 mA"));
        QCOMPARE(steps->item(0, 1)->text(), QString("4 mA"));
        QCOMPARE(steps->item(1, 1)->text(), QString("20 mA"));
        QVERIFY(in<QLabel>(dialog, "LoopTestState")->text().startsWith("Completed"));
        QVERIFY(!in<QCheckBox>(dialog, "LoopTestManual")->isChecked()); // asked again next time
        QTRY_VERIFY(!w.instrument->busy());
        QVERIFY(w.form.comm().IsOpen() && !w.form.exchange().standingAside());
        QCOMPARE(statusNow(w.form, 5).value_or(kLoopCurrentFixed) & kLoopCurrentFixed, 0);
        // The window's audit log holds both currents and the leaving, under the window's port.
        QStringList problems, logged;
        for (const AuditLog::Entry& e : AuditLog::read(QFile::encodeName(w.auditPath()), problems))
            logged << QStringList{e.port, e.setting, e.now, e.outcome}.join(" | ");
        QCOMPARE(logged, (QStringList{sim.link + " | loop current (loop test) | 4.000 mA | held 1 s",
                                      sim.link + " | loop current (loop test) | 20.000 mA | held 1 s",
                                      sim.link + " | fixed current mode (loop test) | not fixed | left fixed current mode"}));

        // Currents it cannot hold are refused in the dialog.
        in<QCheckBox>(dialog, "LoopTestManual")->setChecked(true);
        in<QLineEdit>(dialog, "LoopTestCurrents")->setText("4 30");
        in<QPushButton>(dialog, "LoopTestStart")->click();
        QVERIFY(!w.instrument->busy());
        QVERIFY(in<QLabel>(dialog, "LoopTestState")->text().contains("not '30'"));
    }

    // Closing the dialog, the Instrument window or the main window during a hold stops the
    // test; each waits until the instrument has left fixed current mode, then goes.
    void closingDuringAHoldLeavesFixedCurrentMode_data()
    {
        QTest::addColumn<QString>("closed");
        QTest::newRow("dialog") << "dialog";
        QTest::newRow("Instrument window") << "window";
        QTest::newRow("main window") << "main";
    }
    void closingDuringAHoldLeavesFixedCurrentMode()
    {
        QFETCH(QString, closed);
        StandIn sim;
        Window w(sim.link);
        w.form.show();
        QSignalSpy ended(w.instrument, &InstrumentWindow::loopTestEnded);
        QPointer<LoopTestDialog> dialog = startLoopTest(w, 5, "12 16", 60);
        QVERIFY(dialog);
        auto* steps = in<QTableWidget>(dialog, "LoopTestSteps");
        QTRY_VERIFY_WITH_TIMEOUT(steps->rowCount() == 1, kRunMs); // holding 12 mA
        QWidget* target = closed == "dialog" ? static_cast<QWidget*>(dialog.data())
                          : closed == "window" ? static_cast<QWidget*>(w.instrument)
                                               : static_cast<QWidget*>(&w.form);
        target->close();
        QVERIFY(target->isVisible()); // not before the instrument has left fixed current mode
        QVERIFY(ended.wait(kRunMs));
        QCOMPARE(ended.first().first().value<LoopTest::End>(), LoopTest::End::Stopped);
        QTRY_VERIFY(!target->isVisible());
        if (closed != "main") QVERIFY(!dialog->isVisible()); // the program ends with the main window
        QCOMPARE(steps->rowCount(), 1); // 16 mA was never asked
        QVERIFY(!w.instrument->busy());
        QCOMPARE(w.form.comm().IsOpen(), closed != "main"); // the main window closes its port as it goes
        QCOMPARE(statusNow(w.form, 5).value_or(kLoopCurrentFixed) & kLoopCurrentFixed, 0);
    }
};

QTEST_MAIN(TestInstrumentWritesWindow)
#include "test_instrument_writes_window.moc"
