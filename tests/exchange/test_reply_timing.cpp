// Replies near a deadline and replies that come after the next request, in the real window
// against a pseudo-terminal.
#include "tests/support/Bytes.h"
#include "tests/support/WindowRig.h"
#include "tools/HexText.h"

#include <QElapsedTimer>
#include <QLabel>

namespace {

// Waits (serving events) until `ms` have passed on `clock`.
void waitUntil(const QElapsedTimer& clock, qint64 ms)
{
    while (clock.elapsed() < ms) QTest::qWait(int(std::min<qint64>(10, ms - clock.elapsed())));
}

} // namespace

class TestReplyTiming : public QObject {
    Q_OBJECT

private slots:
    void linkCheckAnsweredJustBeforeTheDeadline()
    {
        Rig rig;
        rig.open();
        rig.button("Button5")->setEnabled(false);
        QElapsedTimer clock;
        clock.start();
        rig.button("Button6")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QV#"));
        waitUntil(clock, 2800); // still settling when the 3000 ms deadline passes
        rig.pty.write("QQQ#QV:VK742B V6.0#");
        QTRY_VERIFY(rig.button("Button5")->isEnabled());
        waitUntil(clock, 3600);
        QCOMPARE(rig.messages.texts(), QStringList());
        QCOMPARE(rig.shown(), QString("QQQ#QV:VK742B V6.0#"));
    }

    void hartCommandZeroAnsweredAfterEightHundredMs()
    {
        Rig rig;
        rig.open();
        QElapsedTimer clock;
        clock.start();
        rig.button("Button7")->click(); // the first HART request: a 1000 ms deadline
        QCOMPARE(rig.pty.readQuiet(), hex("FF FF FF FF FF FF FF 02 80 00 00 82"));
        waitUntil(clock, 800);
        rig.pty.write(hex("FF FF FF FF FF 06 80 00 0E 00 00 FE 11 22 05 05 01 01 08 00 00 00 01 9B"));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit28")->text(), QString("0x11 (17)"));
        waitUntil(clock, 1500);
        QCOMPARE(rig.messages.texts(), QStringList());
        QCOMPARE(rig.get<QLabel>("Label68")->text(), QString("current(RTU_ADR)"));
    }

    void autoCloseWaitsForTheReplyBeforeIt()
    {
        Rig rig;
        rig.open();
        QElapsedTimer clock;
        clock.start();
        rig.button("Button5")->click(); // the port closes 2000 ms later
        QCOMPARE(rig.pty.readQuiet(100), QByteArray("QQS#BA1:30#"));
        waitUntil(clock, 1700);
        rig.pty.write("QQS#BA1:OK#"); // delivered before 2000 ms, handled after
        while (rig.form.comm().IsOpen() && clock.elapsed() < 4000) QTest::qWait(2);
        QVERIFY(!rig.form.comm().IsOpen());
        QCOMPARE(rig.shown(), QString("QQS#BA1:OK#")); // handled before the close
        QVERIFY(rig.messages.entries.isEmpty());
    }

    void lateSetReplyDoesNotAnswerTheNextQuery()
    {
        Rig rig;
        rig.open();
        rig.get<QComboBox>("ComboBox7")->setCurrentIndex(1);
        rig.button("Button24")->click();
        QCOMPARE(rig.pty.readQuiet(100), QByteArray("QQS#MD:1#"));
        rig.pty.write("QQS#MD:OK#");
        QTest::qWait(200); // delivered after the line's 100 ms quiet, still settling
        rig.button("Button23")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QX#")); // never answered
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts(), QStringList({"Parameter Query Timeout!"}), 4000);
        QTest::qWait(600);
        QCOMPARE(rig.messages.texts(), QStringList({"Parameter Query Timeout!"}));
        QCOMPARE(rig.shown(), QString());
        QCOMPARE(rig.ex().receivedText(), QByteArray());
        QCOMPARE(rig.ex().pendingCode(), int(Code::SystemQuery));
    }

    // A reply to another request (another instrument, another slot, a set request) is
    // shown in the Receive Buffer, and no field takes its values; the request's own reply,
    // after it, still is decoded.
    void aReplyToAnotherRequestIsShownButNotDecoded()
    {
        Rig rig;
        rig.open();
        rig.get<QComboBox>("ComboBox30")->setCurrentIndex(1);
        rig.button("Button7")->click(); // command 0 to polling address 1
        const QByteArray address0 =
            hex("FF FF FF FF FF 06 80 00 0E 00 00 FE 11 22 05 05 01 01 08 00 00 00 01 9B");
        rig.answer(address0);
        QTRY_COMPARE(rig.shown(), QString(hexDisplay(address0)));
        QTest::qWait(Exchange::kSettleMs + 100); // past the reply-parse
        QCOMPARE(rig.get<QLineEdit>("Edit28")->text(), QString());
        QCOMPARE(rig.ex().pendingCode(), 0);

        auto* mode = rig.get<QComboBox>("ComboBox18");
        auto* factor = rig.get<QLineEdit>("Beilv");
        mode->setCurrentIndex(0);
        rig.button("Button31")->click();
        QCOMPARE(rig.pty.readQuiet(100), QByteArray("QQQ#QQ0#"));
        for (const char* other : {"QQQ#QQ1#FMW:2,00300#", "QQS#FMW:OK#"}) {
            rig.pty.write(other);
            QTRY_COMPARE(rig.shown(), QString(other));
            QTest::qWait(Exchange::kSettleMs + 100);
            QCOMPARE(mode->currentIndex(), 0);
            QCOMPARE(factor->text(), QString("0.001"));
        }
        rig.pty.write("QQQ#QQ0#FMW:2,00300#");
        QTRY_COMPARE(mode->currentIndex(), 2);
        QCOMPARE(factor->text(), QString("00300"));
        QVERIFY(rig.messages.entries.isEmpty());
    }
};

QTEST_MAIN(TestReplyTiming)
#include "test_reply_timing.moc"
