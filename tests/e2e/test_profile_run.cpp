// Whole-converter runs through the window against the stand-in: a profile written and read
// back equal, and a write stopped by an unanswered request.
#include "exchange/Exchange.h"
#include "exchange/PortList.h"
#include "exchange/PortPanel.h"
#include "profile/ProfileRun.h"
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
    ProfileRun run{form, form.exchange(), form.modbusPage()};
    QSignalSpy finished{&run, &ProfileRun::finished};

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
        QSignalSpy progress(&w.run, &ProfileRun::progress);
        w.run.write(profile);
        QCOMPARE(w.outcome(120), QString());
        QCOMPARE(progress.size(), w.run.stepCount());
        QCOMPARE(progress.last().at(2).toString(), QString("system.rs232_rs485a.baud, system.rs232_rs485a.parity"));

        // The speed request closes the port; the converter now listens at 19200.
        QTRY_VERIFY_WITH_TIMEOUT(!w.form.comm().IsOpen(), 4000);
        w.open(standIn.link, "19200");
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
        QSignalSpy sent(&w.form.exchange(), &Exchange::requestSent);
        w.run.write(fullProfile());
        QCOMPARE(w.outcome(10), QString("failed: system.working_mode: no answer within 3 s"));
        QCOMPARE(sent.size(), 1);
        QTest::qWait(700); // nothing follows
        QCOMPARE(sent.size(), 1);
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
