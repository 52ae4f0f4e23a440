// The monitoring and loop command slots: requests, the query's reply, and the page.
#include "pages/monitor/MonitorCodec.h"
#include "tests/support/Built.h"
#include "tests/support/Bytes.h"
#include "tests/support/Render.h"
#include "tests/support/WindowRig.h"

#include <QCheckBox>

using namespace MonitorCodec;

class TestMonitor : public QObject {
    Q_OBJECT

private slots:
    void requests()
    {
        QCOMPARE(bytesOf(setRequest(1, true, hex("01 03 00 00 00 02"))), "QQS#WCAD01:1<06," + hex("01 03 00 00 00 02"));
        QCOMPARE(bytesOf(setRequest(2, false, {})), QByteArray("QQS#WCAD02:0<00,"));
        QCOMPARE(bytesOf(queryRequest(1)), QByteArray("QQQ#RCAD01#"));
        // Values the request's digits cannot carry are refused.
        QCOMPARE(setRequest(7, true, {}).refusal, QString("Command slot must be a number from 1 to 6."));
        QCOMPARE(queryRequest(0).refusal, QString("Command slot must be a number from 1 to 6."));
        QCOMPARE(setRequest(1, true, QByteArray(15, 'x')).refusal,
                 QString("A command's byte count must be a number from 0 to 14."));
    }

    void replies()
    {
        QCOMPARE(render(decodeReply("xxRCAD2:1<03,01 02 03#", 2)), QStringList({"ONECHECK02 ticked", "ONECMAD02=01 02 03"}));
        QCOMPARE(render(decodeReply("RCAD5:0<01,FF", 5)), QStringList({"RUNCHEAK1 clear", "RUNCAMD1=FF"}));
        QCOMPARE(render(decodeReply("RCAD1:1<00,", 1)), QStringList({"ONECHECK01 ticked", "ONECMAD01="}));
        QVERIFY(decodeReply("RCAD7:1<01,FF", 7).updates.empty());
        QVERIFY(decodeReply("RCAD0:1<01,FF", 0).updates.empty());
        QVERIFY(decodeReply("RCAD01:1<01,FF", 1).updates.empty()); // the query's own two digits
        QCOMPARE(render(decodeReply("RCAD3:1<09,AB", 3)), QStringList({"ONECHECK03 ticked", "ONECMAD03=AB"}));
        const Decoded bad = decodeReply("RCAD4:1<x1,FF", 4);
        QCOMPARE(render(bad), QStringList({"ONECHECK04 ticked"}));
        QCOMPARE(bad.error, std::optional<QString>("'x' is not a valid integer value"));
        QCOMPARE(decodeReply("RCAD4:1", 4).error, std::optional<QString>("'' is not a valid integer value"));
        // Only the slot that was asked: a late reply for another changes nothing, and the
        // asked slot is found after it.
        QVERIFY(decodeReply("RCAD2:1<03,01 02 03#", 1).updates.empty());
        QCOMPARE(render(decodeReply("RCAD2:1<01,01#RCAD1:0<01,FF#", 1)), QStringList({"ONECHECK01 clear", "ONECMAD01=FF"}));
    }

    void page()
    {
        Rig rig;
        rig.open();
        QVERIFY(rig.get<QWidget>("ONECMAD03")->isHidden());
        QVERIFY(!rig.get<QWidget>("ONECMAD02")->isHidden());
        rig.get<QCheckBox>("ONECHECK01")->setChecked(true);
        rig.get<QLineEdit>("ONECMAD01")->setText("01 03 00 00 00 02");
        rig.button("Button3")->click();
        QCOMPARE(rig.sent(), QString("51 51 53 23 57 43 41 44 30 31 3A 31 3C 30 36 2C 01 03 00 00 00 02 "));
        QCOMPARE(rig.answer("QQS#WCAD:OK#"), "QQS#WCAD01:1<06," + hex("01 03 00 00 00 02"));
        QTRY_COMPARE(rig.shown(), QString("QQS#WCAD:OK#"));

        rig.button("Button11")->click();
        QCOMPARE(rig.sent(), QString("51 51 51 23 52 43 41 44 30 32 23 "));
        rig.answer("QQQ#RCAD2:1<03,01 02 03#");
        QTRY_COMPARE(rig.get<QLineEdit>("ONECMAD02")->text(), QString("01 02 03"));
        QVERIFY(rig.get<QCheckBox>("ONECHECK02")->isChecked());
        QCOMPARE(rig.ex().pendingCode(), 501);
        // A reply for a slot that was not asked changes nothing.
        rig.pty.write("QQQ#RCAD1:0<01,FF#");
        QTRY_COMPARE(rig.shown(), QString("QQQ#RCAD1:0<01,FF#"));
        QTest::qWait(500);
        QCOMPARE(rig.get<QLineEdit>("ONECMAD01")->text(), QString("01 03 00 00 00 02"));
        QVERIFY(rig.get<QCheckBox>("ONECHECK01")->isChecked());

        rig.get<QLineEdit>("ONECMAD02")->setText("01 0g");
        rig.button("Button25")->click();
        QCOMPARE(rig.messages.texts(), QStringList({"Data eeore!"}));
        rig.get<QLineEdit>("ONECMAD02")->setText("01,02");
        rig.button("Button25")->click();
        QCOMPARE(rig.messages.last(), QString("NO SPACK"));
        rig.get<QLineEdit>("ONECMAD02")->setText("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E");
        rig.button("Button25")->click();
        QCOMPARE(rig.messages.last(),
                 QString("At most 14 pairs of hex digits, separated by single blanks (76 89 FD AD)."));
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
        rig.get<QLineEdit>("ONECMAD02")->clear(); // an empty command clears the slot
        rig.button("Button25")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQS#WCAD02:1<00,"));
    }
};

QTEST_MAIN(TestMonitor)
#include "test_monitor.moc"
