// The real window against a pseudo-terminal whose far end the test answers.
#include "exchange/Exchange.h"
#include "pages/widgets/PortPanel.h"
#include "pages/widgets/PortList.h"
#include "pages/modbus/ModbusPage.h"
#include "pages/system/SystemPage.h"
#include "serial/Comm.h"
#include "tests/support/Flood.h"
#include "tests/support/WindowRig.h"
#include "ui/TForm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>


class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void startsAsANewUserSeesIt()
    {
        Rig rig;
        QCOMPARE(rig.form.windowTitle(), QString("VK742-B"));
        auto* pages = rig.get<QTabWidget>("PageControl1");
        QCOMPARE(pages->count(), 8);
        QCOMPARE(pages->currentIndex(), 0);
        QStringList captions;
        for (int i = 0; i < pages->count(); ++i) captions << pages->tabText(i);
        QCOMPARE(captions, QStringList({"System Parameters", "Transparent Mode",
                                        "MODBUS Parameter Configuration", "Monitoring Command",
                                        "2-Wire Instruments", "2-Wire And 4-Wire Instruments",
                                        "4-Wire Instruments", "Built In DC24V 2-Wire Instruments"}));
        QCOMPARE(rig.button("Button1")->text(), QString("Open"));
        QVERIFY(rig.button("Button6")->isEnabled());
        QVERIFY(rig.sent().isEmpty() && rig.shown().isEmpty());
        QCOMPARE(rig.get<QLabel>("Label68")->text(), QString("current(RTU_ADR)"));
        QCOMPARE(rig.get<QComboBox>("ComboBox11")->itemText(7), QString("115200"));
        QCOMPARE(rig.get<QComboBox>("SPREALCOM")->currentText(), QString("COM1"));
        QCOMPARE(rig.get<QComboBox>("SPREALCOM")->itemText(11), QString("COM12"));
        for (const char* name : {"Image1", "Image2", "Image3", "Image4", "Image5", "Label8",
                                 "Label51", "Edit8", "Memo10", "Button26", "CheckBox1", "CheckBox2",
                                 "Label16", "ComboBox10"})
            QVERIFY2(rig.form.findChild<QWidget*>(name), name);
        QTest::qWait(1200);
        QVERIFY(rig.messages.entries.isEmpty()); // no timer fires at start
    }

    void openAppliesThePanelsSettings()
    {
        Rig rig;
        rig.get<QComboBox>("ComboBox11")->setEditText("19200");
        rig.get<QComboBox>("ComboBox10")->setCurrentIndex(2);
        rig.get<QCheckBox>("CheckBox1")->setChecked(true);
        rig.get<QCheckBox>("CheckBox2")->setChecked(true);
        rig.open();
        PortLine line;
        QVERIFY(readPortLine(rig.pty.master(), line));
        QCOMPARE(line.baudRate, 19200u);
        QCOMPARE(line.stopBits, 1);
        QVERIFY(!line.xonXoffIn && !line.xonXoffOut);
        const LineSettings& applied = rig.form.comm().AppliedLine();
        QCOMPARE(applied.parity, TParity::Even);
        QCOMPARE(applied.byteSize, TByteSize::_8);
        QCOMPARE(applied.dtrControl, TDtrControl::DtrEnable);
        QCOMPARE(applied.rtsControl, TRtsControl::RtsEnable);
        QCOMPARE(rig.button("Button1")->text(), QString("Close"));
        QVERIFY(rig.ex().portOpen());

        rig.button("Button1")->click();
        QVERIFY(!rig.form.comm().IsOpen());
        QCOMPARE(rig.button("Button1")->text(), QString("Open"));
        QVERIFY(!rig.button("Button6")->isEnabled());
    }

    void openRefusals()
    {
        Rig rig;
        rig.get<QComboBox>("ComboBox11")->setEditText("fast");
        rig.button("Button1")->click();
        QCOMPARE(rig.messages.texts(), QStringList({"'fast' is not a valid integer value."}));
        QVERIFY(!rig.form.comm().IsOpen());

        rig.get<QComboBox>("ComboBox11")->setEditText("9600");
        rig.get<QComboBox>("ComboBox10")->setEditText("Evenish");
        rig.button("Button1")->click();
        QVERIFY(!rig.form.comm().IsOpen());
        QCOMPARE(rig.messages.entries.size(), 2);
        QVERIFY(rig.messages.entries.last().text.contains("Evenish"));

        rig.get<QComboBox>("ComboBox10")->setCurrentIndex(0);
        rig.get<QComboBox>("SPREALCOM")->setEditText("/dev/no-such-port");
        rig.button("Button1")->click();
        rig.button("Button1")->click(); // a second click tries again
        QCOMPARE(rig.messages.entries.size(), 4);
        QCOMPARE(rig.messages.entries[2].text, QString("Error opening serial port."));
        QCOMPARE(rig.messages.entries[3].detail, QString("/dev/no-such-port: No such file or directory"));
        QVERIFY(rig.messages.entries[3].isError);
        QCOMPARE(rig.button("Button1")->text(), QString("Open"));
    }

    void linkCheckWithTheConverter()
    {
        Rig rig;
        rig.open();
        rig.button("Button5")->setEnabled(false);
        rig.button("Button6")->click();
        QCOMPARE(rig.sent(), QString("QQQ#QV#"));
        QCOMPARE(rig.answer("QQQ#QV:VK742B V6.0#"), QByteArray("QQQ#QV#"));
        QTRY_VERIFY(rig.button("Button5")->isEnabled());
        QCOMPARE(rig.shown(), QString("QQQ#QV:VK742B V6.0#"));
        QCOMPARE(rig.ex().pendingCode(), 0);
        QCOMPARE(rig.ex().timeoutKind(), 0);

        // A reply without "QV:" is shown and changes nothing else.
        rig.button("Button5")->setEnabled(false);
        rig.button("Button6")->click();
        rig.answer("HELLO");
        QTRY_COMPARE(rig.shown(), QString("HELLO"));
        QTest::qWait(400);
        QVERIFY(!rig.button("Button5")->isEnabled());
        QCOMPARE(rig.ex().pendingCode(), 0);
        QVERIFY(rig.messages.entries.isEmpty());
    }

    void setReplyEndsTheExchange()
    {
        Rig rig;
        rig.open();
        rig.get<QComboBox>("ComboBox7")->setCurrentIndex(1);
        rig.button("Button24")->click();
        QCOMPARE(rig.ex().pendingCode(), 200);
        QCOMPARE(rig.answer("QQS#MD:OK#"), QByteArray("QQS#MD:1#"));
        QTRY_COMPARE(rig.shown(), QString("QQS#MD:OK#"));
        QCOMPARE(rig.ex().pendingCode(), 0);
        rig.pty.write("MORE");
        QTRY_COMPARE(rig.shown(), QString("MORE"));
        QTest::qWait(3000);
        QVERIFY(rig.messages.entries.isEmpty()); // the reply stopped the timeout
    }

    void timeoutsKeepTheFirstDeadline()
    {
        Rig rig; // port never opened: nothing is written, the timeouts follow
        rig.button("Button6")->click();
        QCOMPARE(rig.sent(), QString("QQQ#QV#"));
        QTest::qWait(1000);
        rig.button("Button23")->click(); // a second query one second later
        QTest::qWait(1800);
        QVERIFY(rig.messages.entries.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.entries.size(), 1, 1000);
        const qint64 at = rig.messages.entries[0].atMs;
        QVERIFY2(at >= 2950 && at < 3300, qPrintable(QString::number(at)));
        QCOMPARE(rig.messages.entries[0].text, QString("Parameter Query Timeout!"));
        QCOMPARE(rig.get<QLabel>("Label68")->text(), QString());
        QTest::qWait(3300);
        QCOMPARE(rig.messages.entries.size(), 1);
    }

    void linkCheckTimesOutWhenClosed()
    {
        Rig rig;
        rig.button("Button6")->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts(), QStringList({"Connection timed out!"}), 3500);
        QVERIFY(rig.messages.entries[0].atMs >= 2950);
        QVERIFY(!rig.messages.entries[0].isError);
    }

    void hartRequestFirstUsesTheStartInterval()
    {
        Rig rig;
        rig.ex().send({QByteArray("\xFF\xFF\x02\x80\x00\x00\x82", 7), Exchange::Display::Hex,
                       Code::HartDeviceQuery, TimeoutKind::Set, Exchange::TimeoutArm::EnableOnly});
        QCOMPARE(rig.sent(), QString("FF FF 02 80 00 00 82 "));
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts(), QStringList({"!"}), 1500);
        QVERIFY(rig.messages.entries[0].atMs >= 950 && rig.messages.entries[0].atMs < 1300);
        QCOMPARE(rig.get<QLabel>("Label68")->text(), QString("Set timeout"));
    }

    void lateSystemReplyIsStillDecoded()
    {
        Rig rig;
        rig.open();
        rig.button("Button23")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QX#"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts(), QStringList({"Parameter Query Timeout!"}), 3500);
        rig.pty.write("QQQ#QX:BA1:30#BA2:41#MD:2#ADR:005#XY1:3#XY2:1#JTM:020#AADR:00100,00200#");
        QTRY_COMPARE(rig.get<QLineEdit>("ABadr")->text(), QString("00100"));
        QCOMPARE(rig.get<QComboBox>("ComboBox8")->currentText(), QString("19200"));
        QCOMPARE(rig.get<QComboBox>("ComboBox9")->currentText(), QString("Odd"));
        QCOMPARE(rig.get<QComboBox>("ComboBox14")->currentIndex(), 2);
        QCOMPARE(rig.get<QLineEdit>("Edit14")->text(), QString("005"));
        QCOMPARE(rig.get<QLineEdit>("Edit18")->text(), QString("005"));
        QCOMPARE(rig.get<QLineEdit>("Edit6")->text(), QString("020"));
        QCOMPARE(rig.get<QLineEdit>("BBadr")->text(), QString("00200"));
        QCOMPARE(rig.get<QComboBox>("RS485BDY")->currentText(), QString("1 100ms"));
        QCOMPARE(rig.ex().pendingCode(), 202);
    }

    void decodingErrorsAndOutOfRangeDigits()
    {
        Rig rig;
        rig.open();
        rig.button("Button23")->click();
        rig.answer("QX#MD:3#XY1:9#XY2:");
        QTRY_COMPARE(rig.messages.entries.size(), 1);
        QCOMPARE(rig.messages.entries[0].text, QString("'' is not a valid integer value."));
        QVERIFY(rig.messages.entries[0].isError);
        QCOMPARE(rig.get<QComboBox>("ComboBox7")->currentIndex(), 3);
        QCOMPARE(rig.get<QComboBox>("ComboBox14")->currentIndex(), -1); // 3 items only
        QCOMPARE(rig.get<QComboBox>("RS485ADY")->currentIndex(), -1);
        QCOMPARE(rig.get<QComboBox>("RS485ADY")->currentText(), QString());
    }

    void dueReplyParseWaitsForEarlierChunks()
    {
        Rig rig;
        rig.open();
        rig.button("Button23")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QX#"));
        QSignalSpy changes(rig.get<QComboBox>("ComboBox2"), &QComboBox::currentIndexChanged);
        rig.pty.write("QX#BA1:00#");
        QTest::qWait(550); // the first chunk is handled; the reply-parse is due 300 ms later
        rig.pty.write("QX#BA1:50#");
        QTRY_COMPARE(rig.get<QComboBox>("ComboBox2")->currentIndex(), 5);
        QTest::qWait(400);
        QCOMPARE(changes.size(), 1); // only the latest chunk was decoded
    }

    void longChunksAreBounded()
    {
        Rig rig;
        rig.open();
        rig.button("Button6")->click();
        QByteArray big(300, 'a');
        for (int i = 0; i < big.size(); ++i) big[i] = char('a' + i % 26);
        rig.answer(big);
        QTRY_COMPARE(rig.shown().size(), 255);
        QCOMPARE(rig.shown(), QString::fromLatin1(big.left(255)));
        const auto& area = rig.ex().area();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(area.data()) + 512, 300), big);

        rig.button("Button6")->click();
        const QByteArray huge(2048, 'z');
        rig.answer(huge);
        QTRY_COMPARE(rig.shown(), QString(255, 'z'));
        QCOMPARE(area[915], uint8_t('z')); // filled to the last byte of the area, no further
        QCOMPARE(rig.ex().receivedText().size(), 255);
    }

    void hexDisplayAndClearBuffer()
    {
        Rig rig;
        rig.open();
        rig.form.modbusPage().findChild<QPushButton*>("Button4")->click();
        QCOMPARE(rig.sent(), QString("01 03 00 00 00 0A C5 CD "));
        QCOMPARE(rig.answer("QV:"), QByteArray("\x01\x03\x00\x00\x00\x0A\xC5\xCD", 8));
        QTRY_COMPARE(rig.shown(), QString("51 56 3A "));
        QCOMPARE(rig.ex().pendingCode(), 302);
        rig.button("Button26")->click();
        QCOMPARE(rig.shown(), QString());
        QCOMPARE(rig.sent(), QString("01 03 00 00 00 0A C5 CD "));
    }

    void baudRequestClosesThePortTwoSecondsLater()
    {
        Rig rig;
        rig.open();
        rig.button("Button5")->click();
        QCOMPARE(rig.sent(), QString("QQS#BA1:30#"));
        rig.answer("QQS#BA1:OK#");
        QTest::qWait(500);
        rig.button("Button1")->click(); // the user closes and reopens
        rig.button("Button1")->click();
        QVERIFY(rig.form.comm().IsOpen());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.form.comm().IsOpen(), 2000);
        QCOMPARE(rig.button("Button1")->text(), QString("Open"));
        QVERIFY(!rig.button("Button6")->isEnabled());
        QVERIFY(!rig.ex().portOpen());
    }

    void setCommandsSendTheirValues()
    {
        Rig rig;
        rig.open();
        struct Case {
            const char* edit;
            const char* text;
            const char* button;
            QByteArray request;
        };
        const Case cases[] = {
            {"Edit14", "255", "Button29", "QQS#ADR:255#"},
            {"Edit6", "50", "Button27", "QQS#JTM:050#"},
            {"ABadr", "99999", "Button28", "QQS#AADR:99999#"},
            {"BBadr", "40001", "Button32", "QQS#BADR:40001#"},
        };
        for (const Case& c : cases) {
            rig.get<QLineEdit>(c.edit)->setText(c.text);
            rig.button(c.button)->click();
            QCOMPARE(rig.pty.readQuiet(), c.request);
        }
        // Numbers their digits cannot carry are refused, not sent as ":" or "+".
        const Case refused[] = {
            {"Edit14", "1000", "Button29", "MODBUS_Slave_Adr must be a number from 0 to 255."},
            {"Edit14", "-5", "Button29", "MODBUS_Slave_Adr must be a number from 0 to 255."},
            {"Edit6", "1000", "Button27", "Instrument Communication Interval must be a number from 0 to 999."},
            {"ABadr", "100000", "Button28", "RS232/RS485A data base address must be a number from 0 to 99999."},
        };
        for (const Case& c : refused) {
            rig.get<QLineEdit>(c.edit)->setText(c.text);
            rig.button(c.button)->click();
            QCOMPARE(rig.messages.last().toLatin1(), c.request);
            QCOMPARE(rig.sent(), QString("QQS#BADR:40001#"));
            QVERIFY(rig.pty.readQuiet(100, 200).isEmpty());
        }
        rig.messages.entries.clear();
        rig.button("Button30")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQS#RESET#"));
        rig.get<QComboBox>("RS485BDY")->setCurrentIndex(0);
        rig.button("Button33")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQS#XY2:0#"));
        QTest::mouseDClick(rig.get("Label8"), Qt::LeftButton);
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQS#YB:1#"));
        QTest::mouseDClick(rig.get("Label51"), Qt::LeftButton);
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQS#YB:2#"));
        QCOMPARE(rig.ex().pendingCode(), 200);
        rig.get<QComboBox>("JIANZHI")->setCurrentIndex(6);
        rig.get<QLineEdit>("PCBSN")->setText("1234");
        rig.button("Button60")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("KQTRLV#PCBSN:00001234,007#"));
        QVERIFY(rig.messages.entries.isEmpty());
    }

    void conversionErrorsSendNothing()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit6")->clear();
        rig.get<QLineEdit>("Edit8")->setText("old");
        rig.button("Button27")->click();
        QCOMPARE(rig.messages.texts(), QStringList({"'' is not a valid integer value."}));
        QCOMPARE(rig.sent(), QString()); // emptied before the conversion
        QCOMPARE(rig.ex().pendingCode(), 0);
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());

        // The board serial number does not empty the buffers.
        rig.get<QLineEdit>("Edit8")->setText("kept");
        rig.get<QLineEdit>("PCBSN")->setText("abc");
        rig.button("Button60")->click();
        QCOMPARE(rig.messages.entries.last().text, QString("'abc' is not a valid integer value."));
        QCOMPARE(rig.sent(), QString("kept"));
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
        // Nor does a sign, which the serial number cannot carry.
        rig.get<QLineEdit>("PCBSN")->setText("-12");
        rig.button("Button60")->click();
        QCOMPARE(rig.messages.entries.last().text, QString("PCBSN must be a number from 0 to 2147483647."));
        QCOMPARE(rig.sent(), QString("kept"));
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
        QTest::qWait(3200);
        QCOMPARE(rig.messages.entries.size(), 3); // and no exchange was opened
    }

    void slaveAddressFollowsIntoTheModbusTest()
    {
        Rig rig;
        rig.get<QLineEdit>("Edit14")->setText("7");
        QCOMPARE(rig.get<QLineEdit>("Edit18")->text(), QString("7"));
        rig.get<QLineEdit>("Edit18")->setText("17");
        rig.get<QLineEdit>("Edit19")->setText("107");
        rig.get<QLineEdit>("Edit20")->setText("3");
        rig.button("Button4")->click();
        QCOMPARE(rig.sent(), QString("11 03 00 6B 00 03 76 87 "));
        rig.get<QLineEdit>("Edit19")->setText("x");
        rig.button("Button4")->click();
        QCOMPARE(rig.messages.texts(), QStringList({"'x' is not a valid integer value."}));
        QCOMPARE(rig.sent(), QString());
    }

    // The adapter is pulled while a query waits for its reply: the window closes the port,
    // says so once, and the query ends without its timeout. Plugged back in, Open works.
    void unpluggedAdapterClosesThePortAndSaysSoOnce()
    {
        Rig rig;
        rig.open();
        rig.button("Button23")->click();
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QX#"));
        rig.pty.write("QQQ#QX:BA1:3"); // the start of a reply, cut off by the unplug
        rig.pty.closeMaster();
        QTRY_VERIFY(!rig.form.comm().IsOpen());
        QVERIFY(!rig.ex().portOpen());
        QCOMPARE(rig.button("Button1")->text(), QString("Open"));
        QVERIFY(!rig.button("Button6")->isEnabled());
        QCOMPARE(rig.messages.entries.size(), 1);
        QVERIFY(rig.messages.entries[0].isError);
        QVERIFY(rig.messages.entries[0].text.contains(QString::fromStdString(rig.pty.slavePath())));
        QCOMPARE(rig.ex().pendingCode(), 0);
        QVERIFY(!rig.ex().Timer3.enabled() && !rig.ex().Timer2.enabled());
        QTest::qWait(Exchange::kSettleMs + 100); // the cut-off reply is not handled
        QVERIFY(rig.shown().isEmpty());

        PtyPair replugged;
        rig.get<QComboBox>("SPREALCOM")->setEditText(QString::fromStdString(replugged.slavePath()));
        rig.button("Button1")->click();
        QVERIFY(rig.form.comm().IsOpen());
        QCOMPARE(rig.button("Button1")->text(), QString("Close"));
        rig.button("Button6")->click();
        QCOMPARE(replugged.readQuiet(), QByteArray("QQQ#QV#"));
        replugged.write("QQQ#QV:VK742B V6.0#");
        QTRY_COMPARE(rig.shown(), QString("QQQ#QV:VK742B V6.0#"));
        QVERIFY(rig.form.comm().IsOpen());
        QCOMPARE(rig.messages.entries.size(), 1);
    }

    // A far end that floods: the user's close is not queued behind the flood, the chunks
    // that could not be handled are counted beside the Receive Buffer, and the latest that
    // came in is still the one shown.
    void closeIsPromptUnderAFloodAndDropsAreCounted()
    {
        Rig rig;
        rig.open();
        auto* note = rig.get<QLabel>("ReceiveDropped");
        QVERIFY(note->isHidden());
        QByteArray last;
        connect(&rig.ex(), &PortTraffic::chunkArrived,
                [&](const QByteArray& chunk) { last = chunk; });
        {
            Flood flood(rig.pty.master());
            QTest::qWait(500);
            // Posted, the click waits behind whatever the loop already holds, as a user's would.
            QElapsedTimer clock;
            clock.start();
            qint64 closedAt = -1;
            QMetaObject::invokeMethod(
                rig.button("Button1"),
                [&] {
                    rig.button("Button1")->click();
                    closedAt = clock.elapsed();
                },
                Qt::QueuedConnection);
            QTRY_VERIFY_WITH_TIMEOUT(closedAt >= 0, 5000);
            QVERIFY2(closedAt < 200, qPrintable(QString::number(closedAt)));
            QVERIFY(!rig.form.comm().IsOpen());
        }
        QTest::qWait(Exchange::kSettleMs + 200); // what came before the close settles
        QCOMPARE(rig.shown(), QString::fromLatin1(last.left(Exchange::kTextLimit)));
        QVERIFY(rig.ex().droppedChunks() > 0);
        QVERIFY(!note->isHidden());
        QVERIFY(note->text().startsWith(QString("%1 chunks dropped").arg(rig.ex().droppedChunks())));
        QVERIFY(rig.messages.entries.isEmpty());
        rig.button("Button26")->click();
        QVERIFY(note->isHidden());
        QCOMPARE(rig.ex().droppedChunks(), 0);
    }

    void staysResponsiveWhileChunksStream()
    {
        Rig rig;
        rig.get<QComboBox>("ComboBox11")->setEditText("115200");
        rig.open();
        rig.button("Button23")->click(); // every chunk is decoded again under this code
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, worstGap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worstGap = std::max(worstGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(20);
        for (int i = 0; i < 30; ++i) {
            rig.pty.write("QX#MD:1#ADR:00" + QByteArray::number(i % 10) + "#");
            QTest::qWait(100);
        }
        QTest::qWait(300);
        rig.pty.write("QX#ADR:042#"); // chunks 100 ms apart may merge; this one stands alone
        QTest::qWait(800);
        QVERIFY2(worstGap < 150, qPrintable(QString::number(worstGap)));
        QCOMPARE(rig.get<QLineEdit>("Edit14")->text(), QString("042"));
        QCOMPARE(rig.ex().droppedChunks(), 0); // a line at serial speed never fills the queue
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
