// Whole-converter runs through the window against the stand-in: a profile written and read
// back equal, and a write stopped by an unanswered request.
#include "exchange/Exchange.h"
#include "exchange/TrafficLog.h"
#include "pages/widgets/PortList.h"
#include "pages/widgets/PortPanel.h"
#include "ui/WindowRun.h"
#include "serial/Comm.h"
#include "tests/support/Controls.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/StandIn.h"
#include "ui/TForm1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

namespace {

Profile fullProfile()
{
    QFile file(QFINDTESTDATA("../profile/full.json"));
    if (!file.open(QIODevice::ReadOnly)) qFatal("no full.json");
    QStringList problems;
    return *Profile::fromJson(file.readAll(), problems);
}

struct Window {
    RecordingMessages messages;
    TForm1 form{&messages};
    WindowRun run{form};
    QSignalSpy finished{&run, &WindowRun::finished};

    void open(const QString& port, const QString& baud = "9600")
    {
        form.portPanel().SPREALCOM->setEditText(port);
        form.portPanel().ComboBox11->setEditText(baud);
        form.portPanel().Button1->click();
        QVERIFY(form.exchange().portOpen());
    }
    // Waits for the run to end; returns its message, empty when it succeeded.
    QString outcome(int seconds)
    {
        if (!finished.wait(seconds * 1000)) return "the run did not end";
        const QList<QVariant> args = finished.takeFirst();
        return args[0].toBool() ? QString() : "failed: " + args[1].toString();
    }
};

} // namespace

class TestProfileRun : public QObject {
    Q_OBJECT

private slots:
    void aWrittenProfileReadsBackEqual()
    {
        StandIn standIn;
        Window w;
        w.open(standIn.link);
        const Profile profile = fullProfile();
        QSignalSpy progress(&w.run, &WindowRun::progress);
        w.run.write(profile);
        QCOMPARE(w.outcome(120), QString());
        QCOMPARE(progress.size(), w.run.stepCount());
        QCOMPARE(progress.last().at(2).toString(), QString("system.rs232_rs485a.baud, system.rs232_rs485a.parity"));

        // The run reopened the port at the converter's new speed, and the panel shows it.
        QVERIFY(w.form.comm().IsOpen());
        QCOMPARE(w.form.comm().BaudRate(), 19200u);
        QCOMPARE(w.form.portPanel().ComboBox11->currentText(), QString("19200"));
        QCOMPARE(w.form.portPanel().ComboBox10->currentText(), profile.values.at("system.rs232_rs485a.parity").toString());
        QCOMPARE(w.form.portPanel().Button1->text(), QString("Close"));
        QTest::qWait(2500); // and no timer closes it
        QVERIFY(w.form.comm().IsOpen());
        w.run.read();
        QCOMPARE(w.outcome(60), QString());
        QCOMPARE(w.run.result().toJson(), profile.toJson());
        // The pages show what was read, as after queries by hand.
        QCOMPARE(control<QLineEdit>(w.form, "BBadr")->text(), QString("40001"));
        QCOMPARE(control<QComboBox>(w.form, "ComboBox41")->currentIndex(), 4);
        QVERIFY(w.messages.entries.isEmpty());
    }

    void anUnansweredRequestStopsTheWriteAndNamesIt()
    {
        StandIn standIn({"--drop", "1"});
        Window w;
        w.open(standIn.link);
        // The session sends, the exchange stands aside; the traffic log sees every frame.
        QSignalSpy byExchange(&w.form.exchange(), &Exchange::requestSent);
        auto sent = [&] {
            int n = 0;
            for (const auto& f : w.form.trafficLog().frames()) n += f.direction == TrafficLog::Direction::Sent;
            return n;
        };
        w.run.write(fullProfile());
        QCOMPARE(w.outcome(10), QString("failed: system.working_mode: no answer within 3 s"));
        QCOMPARE(sent(), 1);
        QTest::qWait(700); // nothing follows
        QCOMPARE(sent(), 1);
        QCOMPARE(byExchange.size(), 0);
        QVERIFY(w.messages.entries.isEmpty()); // the run reports it, not a box
    }

    void aReadNeedsAnOpenPort()
    {
        Window w;
        w.run.read();
        QCOMPARE(w.outcome(2), QString("failed: The port is not open."));
    }
};

QTEST_MAIN(TestProfileRun)
#include "test_profile_run.moc"
