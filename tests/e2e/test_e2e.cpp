// The window against the converter stand-in, over a pseudo-terminal, as a user drives it.
#include "exchange/Exchange.h"
#include "serial/Comm.h"
#include "tests/support/Controls.h"
#include "tests/support/RecordingMessages.h"
#include "ui/TForm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Clock ticks the process has used, from /proc.
long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    return fields.size() > 15 ? fields[13].toLong() + fields[14].toLong() : -1;
}

struct Session {
    QTemporaryDir dir;
    QProcess sim;
    RecordingMessages messages;
    TForm1 form{&messages};
    QString link;

    explicit Session(const QStringList& simOptions = {})
    {
        link = dir.filePath("vk742b-sim");
        startSim(simOptions);
    }
    // Starts the stand-in and waits until it has linked its terminal.
    void startSim(const QStringList& options = {})
    {
        sim.start(VK_SIM_PATH, QStringList{"--link", link} + options);
        QTRY_VERIFY(sim.bytesAvailable() > 0); // its first line follows the link
    }
    ~Session()
    {
        form.comm().ClosePort();
        sim.terminate();
        sim.waitForFinished(2000);
    }
    template <class W = QWidget> W* get(const char* name) { return control<W>(form, name); }
    void click(const char* name) { get<QPushButton>(name)->click(); }
    QString shown() { return get<QPlainTextEdit>("Memo10")->toPlainText(); }
    void open()
    {
        get<QComboBox>("SPREALCOM")->setEditText(link);
        if (!form.exchange().portOpen()) click("Button1");
        QVERIFY(form.comm().IsOpen());
    }
    // Sends a set request and waits for the converter's answer.
    void setAndConfirm(const char* button)
    {
        click(button);
        QTRY_VERIFY(shown().endsWith(":OK#"));
    }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void linkCheck()
    {
        Session s;
        s.open();
        s.get<QPushButton>("Button23")->setEnabled(false);
        s.click("Button6");
        QTRY_COMPARE(s.shown(), QString("QQQ#QV:VK742-B V6.0#"));
        QTRY_VERIFY(s.get<QPushButton>("Button23")->isEnabled());
        QVERIFY(s.messages.entries.isEmpty());
    }

    void everySettingRoundTrips()
    {
        Session s;
        s.open();
        s.get<QComboBox>("ComboBox7")->setCurrentIndex(2);
        s.setAndConfirm("Button24");
        s.get<QLineEdit>("Edit14")->setText("17");
        s.setAndConfirm("Button29");
        s.get<QComboBox>("RS485ADY")->setCurrentIndex(1);
        s.setAndConfirm("Button15");
        s.get<QComboBox>("RS485BDY")->setCurrentIndex(5);
        s.setAndConfirm("Button33");
        s.get<QLineEdit>("Edit6")->setText("20");
        s.setAndConfirm("Button27");
        s.get<QLineEdit>("ABadr")->setText("100");
        s.setAndConfirm("Button28");
        s.get<QLineEdit>("BBadr")->setText("40001");
        s.setAndConfirm("Button32");
        s.get<QComboBox>("ComboBox8")->setCurrentIndex(4); // RS485B: our line stays as it is
        s.get<QComboBox>("ComboBox9")->setCurrentIndex(1);
        s.setAndConfirm("Button9");
        // A port speed request closes the tool's port two seconds later; open again.
        QTRY_VERIFY_WITH_TIMEOUT(!s.form.comm().IsOpen(), 3000);
        s.open();

        // Forget what the page shows, then read it all back from the converter.
        for (const char* box : {"ComboBox8", "ComboBox9", "ComboBox7", "RS485ADY", "RS485BDY"})
            s.get<QComboBox>(box)->setCurrentIndex(0);
        for (const char* edit : {"Edit14", "Edit6", "ABadr", "BBadr"}) s.get<QLineEdit>(edit)->clear();
        s.click("Button23");
        QTRY_COMPARE(s.get<QLineEdit>("BBadr")->text(), QString("40001"));
        QCOMPARE(s.get<QComboBox>("ComboBox8")->currentText(), QString("19200"));
        QCOMPARE(s.get<QComboBox>("ComboBox9")->currentText(), QString("Odd"));
        QCOMPARE(s.get<QComboBox>("ComboBox7")->currentIndex(), 2);
        QCOMPARE(s.get<QComboBox>("ComboBox14")->currentIndex(), 2);
        QCOMPARE(s.get<QLineEdit>("Edit14")->text(), QString("017"));
        QCOMPARE(s.get<QLineEdit>("Edit18")->text(), QString("017"));
        QCOMPARE(s.get<QComboBox>("RS485ADY")->currentText(), QString("1 100ms"));
        QCOMPARE(s.get<QComboBox>("RS485BDY")->currentText(), QString("5 500ms"));
        QCOMPARE(s.get<QLineEdit>("Edit6")->text(), QString("020"));
        QCOMPARE(s.get<QLineEdit>("ABadr")->text(), QString("00100"));
        QVERIFY(s.messages.entries.isEmpty());
    }

    void baudChangeNeedsTheReopen()
    {
        Session s;
        s.open();
        s.get<QComboBox>("ComboBox2")->setCurrentIndex(4); // 19200
        s.setAndConfirm("Button5");                         // answered at the old speed
        QTRY_VERIFY_WITH_TIMEOUT(!s.form.comm().IsOpen(), 3000);
        QCOMPARE(s.get<QPushButton>("Button1")->text(), QString("Open"));

        s.open(); // still 9600: the converter no longer listens
        s.click("Button6");
        QTRY_COMPARE_WITH_TIMEOUT(s.messages.texts(), QStringList({"Connection timed out!"}), 4000);
        s.click("Button1");
        s.get<QComboBox>("ComboBox11")->setEditText("19200");
        s.open();
        s.click("Button6");
        QTRY_COMPARE(s.shown(), QString("QQQ#QV:VK742-B V6.0#"));

        // The stand-in idles without cost while the tool's side is closed.
        s.click("Button1");
        QTest::qWait(200);
        const long before = cpuTicks(s.sim.processId());
        QTest::qWait(1000);
        QVERIFY(cpuTicks(s.sim.processId()) - before <= 2);
        s.open();
        s.click("Button6");
        QTRY_COMPARE(s.shown(), QString("QQQ#QV:VK742-B V6.0#"));
    }

    void slotSettingsRoundTrip()
    {
        Session s;
        s.open();
        auto* meters = s.get<QComboBox>("ComboBox41");
        meters->setCurrentIndex(2);
        emit meters->activated(2); // the query for slot 2 goes out with the change
        QTRY_VERIFY(s.shown().contains("HART2:"));
        s.get<QComboBox>("ComboBox6")->setCurrentIndex(1);
        s.get<QComboBox>("ComboBox16")->setCurrentIndex(0);
        s.get<QComboBox>("ComboBox17")->setCurrentIndex(0);
        s.get<QComboBox>("ComboBox34")->setCurrentIndex(3);
        s.get<QLineEdit>("Edit1")->setText("30");
        s.setAndConfirm("Button10");
        s.get<QComboBox>("ComboBox29")->setCurrentIndex(1);
        s.get<QLineEdit>("Edit5")->setText("FF 82 00 01");
        s.setAndConfirm("Button18");
        s.get<QLineEdit>("Edit1")->clear();
        s.get<QLineEdit>("Edit5")->clear();
        s.click("Button31");
        QTRY_COMPARE(s.get<QLineEdit>("Edit5")->text(), QString("FF 82 00 01"));
        QCOMPARE(s.get<QLineEdit>("Edit1")->text(), QString("030"));
        QCOMPARE(s.get<QComboBox>("ComboBox34")->currentText(), QString("7"));
        QCOMPARE(s.get<QComboBox>("ComboBox29")->currentIndex(), 1);
        QVERIFY(!s.get<QWidget>("GroupBox13")->isHidden());
        QVERIFY(s.messages.entries.isEmpty());
    }

    void hartInstrumentThroughTransparentMode()
    {
        Session s;
        s.open();
        s.get<QComboBox>("ComboBox30")->setCurrentIndex(1);
        s.click("Button7");
        QTRY_COMPARE(s.get<QLineEdit>("Edit32")->text(), QString("001234 (4660)"));
        QCOMPARE(s.get<QLineEdit>("Edit28")->text(), QString("0x11 (17)"));
        s.click("Button16");
        QTRY_VERIFY(!s.get<QLineEdit>("Edit25")->text().isEmpty());
        QVERIFY(std::abs(s.get<QLineEdit>("Edit25")->text().toDouble() - 1.25) < 0.1);
        QCOMPARE(s.get<QComboBox>("ComboBox3")->currentText(), QString("bar    "));
        QCOMPARE(s.get<QComboBox>("ComboBox32")->currentText(), QString("MPa    "));
        QCOMPARE(s.get<QLabel>("HLabel2")->text(), s.get<QLineEdit>("Edit25")->text());
        QVERIFY(s.messages.entries.isEmpty());
    }

    // An instrument slower than the wait: the timeout is reported, the reason is on the
    // page's status line, and the reply that comes later is shown but fills nothing. With
    // the 3 s wait in force the same reply is read.
    void hartReplyAfterItsTimeout()
    {
        Session s({"--delay", "1500"});
        s.open();
        auto* line = s.get<QLabel>("HartStatusLine");
        s.click("Button7"); // the first HART request waits 1 s
        QTRY_COMPARE_WITH_TIMEOUT(s.messages.texts(), QStringList({"!"}), 2500);
        QCOMPARE(line->text(), QString("no answer from polling address 0 within 1 s"));
        QTRY_VERIFY_WITH_TIMEOUT(s.shown().contains("06 80 00"), 3000); // the late reply, in hex
        QTest::qWait(Exchange::kSettleMs + 200); // past its reply-parse
        for (const char* edit : {"Edit28", "Edit29", "Edit31", "Edit32"})
            QVERIFY2(s.get<QLineEdit>(edit)->text().isEmpty(), edit);
        QVERIFY2(line->text().endsWith("the reply that came later is in the Receive Buffer and was not read"),
                 qPrintable(line->text()));
        QCOMPARE(s.messages.texts(), QStringList({"!"}));

        s.click("Button23"); // a system query sets the 3 s wait, which HART requests keep
        QTRY_VERIFY_WITH_TIMEOUT(s.shown().startsWith("QQQ#QX:"), 3500);
        s.click("Button7");
        QTRY_COMPARE_WITH_TIMEOUT(s.get<QLineEdit>("Edit28")->text(), QString("0x26 (38)"), 3500);
        QCOMPARE(line->text(), QString("HART status: success"));
        QCOMPARE(s.messages.texts(), QStringList({"!"}));
    }

    void monitoringSlotRoundTrip()
    {
        Session s;
        s.open();
        s.get<QCheckBox>("ONECHECK02")->setChecked(true);
        s.get<QLineEdit>("ONECMAD02")->setText("01 03 00 00 00 02");
        s.setAndConfirm("Button25");
        s.get<QCheckBox>("ONECHECK02")->setChecked(false);
        s.get<QLineEdit>("ONECMAD02")->clear();
        s.click("Button11");
        QTRY_COMPARE(s.get<QLineEdit>("ONECMAD02")->text(), QString("01 03 00 00 00 02"));
        QVERIFY(s.get<QCheckBox>("ONECHECK02")->isChecked());
    }

    // The converter's end of the line vanishes while a query waits for its answer (the
    // stand-in is killed): the window closes the port and says so once, without the
    // query's timeout; with the stand-in back, Open and the link check work again.
    void standInKilledMidExchangeThenBack()
    {
        Session s({"--delay", "400"});
        s.open();
        s.click("Button23");
        s.sim.kill();
        QVERIFY(s.sim.waitForFinished(5000));
        QTRY_VERIFY(!s.form.comm().IsOpen());
        QCOMPARE(s.get<QPushButton>("Button1")->text(), QString("Open"));
        QCOMPARE(s.messages.entries.size(), 1);
        QVERIFY(s.messages.entries[0].text.contains(s.link));
        QVERIFY(!s.form.exchange().Timer3.enabled());

        s.startSim();
        s.open();
        s.click("Button6");
        QTRY_COMPARE(s.shown(), QString("QQQ#QV:VK742-B V6.0#"));
        QCOMPARE(s.messages.entries.size(), 1);
    }

    void modbusTestInSingleMeterMode()
    {
        Session s;
        s.open();
        s.get<QComboBox>("ComboBox7")->setCurrentIndex(1);
        s.setAndConfirm("Button24");
        s.click("Button4");
        QTRY_VERIFY(s.shown().startsWith("01 03 14 "));
        QCOMPARE(s.shown().size(), 25 * 3);
        QCOMPARE(s.form.exchange().pendingCode(), 302);
        QVERIFY(s.messages.entries.isEmpty());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"
