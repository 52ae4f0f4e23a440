// Profile runs on a converter session, with the stand-in's model answering at the far end of
// a pseudo-terminal: what a write sends and in which order, the speed change and its check,
// and what a stopped write reports.
#include "profile/Profile.h"
#include "profile/ProfileRun.h"
#include "serial/Comm.h"
#include "session/ConverterSession.h"
#include "sim/ConverterModel.h"
#include "tests/support/PtyPair.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QtTest>

namespace {

Profile fullProfile()
{
    QFile file(QFINDTESTDATA("full.json"));
    if (!file.open(QIODevice::ReadOnly)) qFatal("no full.json");
    QStringList problems;
    return *Profile::fromJson(file.readAll(), problems);
}

// The converter's model on the far end of the cable. `answer` may replace a reply.
struct FarEnd {
    PtyPair pty;
    ConverterModel model;
    QList<QByteArray> requests;
    std::function<QByteArray(const QByteArray& request, const QByteArray& reply)> answer =
        [](const QByteArray&, const QByteArray& reply) { return reply; };
    QSocketNotifier notifier{pty.master(), QSocketNotifier::Read};

    FarEnd()
    {
        QObject::connect(&notifier, &QSocketNotifier::activated, [this] {
            const QByteArray request = pty.readQuiet(5, 200);
            if (request.isEmpty()) return;
            requests << request;
            const QByteArray reply = answer(request, model.handle(request));
            if (!reply.isEmpty()) pty.write(reply);
        });
    }
};

struct Rig {
    FarEnd far;
    TComm comm;
    NoView view;
    std::unique_ptr<ConverterSession> session;
    std::unique_ptr<ProfileRun> run;

    Rig()
    {
        comm.SetCommName(QString::fromStdString(far.pty.slavePath()));
        comm.OpenPort();
        session = std::make_unique<ConverterSession>(comm, view, ConverterSession::Options{10, 5, 800, 4096});
        run = std::make_unique<ProfileRun>(*session);
    }
    // Runs to the end; returns the message, with "failed: " in front when it failed.
    QString finish()
    {
        QSignalSpy finished(run.get(), &ProfileRun::finished);
        if (!finished.wait(60000)) return "did not end";
        return (finished[0][0].toBool() ? QString() : "failed: ") + finished[0][1].toString();
    }
};

} // namespace

class TestProfileRun : public QObject {
    Q_OBJECT

private slots:
    // Every group of settings goes out as one request the model takes, the two port
    // speeds last (RS485B, then RS232/RS485A), then the link check at the new speed; a
    // read on the same converter gives the profile back.
    void aWriteReadsBackEqual()
    {
        Rig rig;
        const Profile profile = fullProfile();
        rig.run->write(profile);
        QCOMPARE(rig.finish(), QString("written; now at 19200 baud"));
        QVERIFY(rig.run->written());
        const QList<QByteArray>& sent = rig.far.requests;
        QCOMPARE(sent.size(), rig.run->stepCount() + 1);
        QVERIFY(sent[sent.size() - 3].startsWith("QQS#BA2:"));
        QVERIFY(sent[sent.size() - 2].startsWith("QQS#BA1:"));
        QCOMPARE(sent.last(), QByteArray("QQQ#QV#"));
        QCOMPARE(rig.comm.BaudRate(), 19200u);
        QCOMPARE(rig.run->applied().size(), int(profile.values.size()) - 1); // the module mode is read only

        rig.run->read();
        QCOMPARE(rig.finish(), QString());
        QCOMPARE(rig.run->result(), profile);
    }

    // The converter took every setting but does not answer at its new speed: the run says
    // so, and the port stays open at that speed.
    void anUnansweredLinkCheckLeavesTheWriteUnconfirmed()
    {
        Rig rig;
        rig.far.answer = [](const QByteArray& request, const QByteArray& reply) {
            return request == "QQQ#QV#" ? QByteArray() : reply;
        };
        rig.run->write(fullProfile());
        QCOMPARE(rig.finish(), QString("failed: written; no answer at 19200 baud"));
        QVERIFY(rig.run->written());
        QVERIFY(rig.comm.IsOpen());
        QCOMPARE(rig.comm.BaudRate(), 19200u);
    }

    // A refusal stops the write; what was applied before it is known.
    void aRefusalStopsTheWriteAndKeepsWhatWasApplied()
    {
        Rig rig;
        rig.far.answer = [](const QByteArray& request, const QByteArray& reply) {
            return request.startsWith("QQS#XY1:") ? QByteArray("QQS#ERR:XY1#") : reply;
        };
        rig.run->write(fullProfile());
        QCOMPARE(rig.finish(),
                 QString("failed: system.rs485a_return_time_ms: the converter refused it: QQS#ERR:XY1#"));
        QVERIFY(!rig.run->written());
        QCOMPARE(rig.run->applied(), QStringList({"system.working_mode", "system.slave_address"}));
        QCOMPARE(rig.far.requests.size(), 3);
    }

    // A reply cut short by the time limit names what it lacks; nothing of it is taken.
    void aReplyCutShortStopsTheRead()
    {
        Rig rig;
        rig.far.answer = [](const QByteArray& request, const QByteArray& reply) {
            return request == "QQQ#QQ0#" ? reply.left(reply.indexOf("DFO0:") + 7) : reply;
        };
        rig.run->read();
        const QString message = rig.finish();
        QCOMPARE(message, QString("failed: modbus.devices[0] query: answered, missing DFO0:"));
        QVERIFY(rig.run->result().values.empty());
    }
};

QTEST_GUILESS_MAIN(TestProfileRun)
#include "test_profile_run.moc"
