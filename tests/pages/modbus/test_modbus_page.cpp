// The MODBUS Parameter Configuration page in the real window, over a pseudo-terminal.
#include "pages/modbus/ModbusPage.h"
#include "tests/support/WindowRig.h"

#include <QGroupBox>
#include <QLabel>

namespace {

QStringList registerLabels(Rig& rig)
{
    QStringList out;
    for (const char* name : {"Label19", "Label24", "Label27", "Label28", "Label29"})
        out << rig.get<QLabel>(name)->text();
    return out;
}

// Picks an item as a user would, so the list's change handler runs.
void pick(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestModbusPage : public QObject {
    Q_OBJECT

private slots:
    void startsBlank()
    {
        Rig rig;
        for (const char* name : {"ComboBox6", "RADCOM1", "RADCOM7", "READLG3", "FAMOUT1", "FAMOUT9",
                                 "ComboBox28", "ComboBox29"}) {
            QCOMPARE(rig.get<QComboBox>(name)->currentIndex(), -1);
            QCOMPARE(rig.get<QComboBox>(name)->currentText(), QString());
        }
        for (const char* name : {"Edit1", "READADR1", "READADR7", "Edit4", "Edit5"})
            QVERIFY(rig.get<QLineEdit>(name)->text().isEmpty());
        QCOMPARE(rig.get<QComboBox>("ComboBox15")->currentText(), QString("8"));
        QCOMPARE(rig.get<QComboBox>("ComboBox17")->count(), 20);
        QCOMPARE(rig.get<QComboBox>("FAMOUT9")->itemText(4), QString::fromUtf8("4 \u7edd\u5bf9\u503c  (FF2 FF1 FF4 FF3)"));
        QCOMPARE(registerLabels(rig), QStringList({"40001:", "40003:", "40005:", "40007:", "40009:"}));
        QCOMPARE(rig.get<QLabel>("HLabel1")->text(), QString("00000"));
    }

    void slotChangeWithThePortOpen()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit14")->setText("005");
        rig.get<QLineEdit>("ABadr")->setText("00100");
        rig.get<QLineEdit>("Edit1")->setText("10");
        pick(rig.get<QComboBox>("ComboBox41"), 3);
        QCOMPARE(registerLabels(rig), QStringList({"40031", "40033", "40035", "40037", "40039"}));
        QCOMPARE(rig.get<QLineEdit>("Edit19")->text(), QString("30"));
        QCOMPARE(rig.get<QLineEdit>("Edit20")->text(), QString("10"));
        QVERIFY(rig.get<QLineEdit>("Edit1")->text().isEmpty());
        QCOMPARE(rig.get<QComboBox>("ComboBox17")->currentIndex(), -1);
        QVERIFY(rig.get<QGroupBox>("GroupBox13")->isHidden());
        QCOMPARE(rig.get<QComboBox>("ComboBox2")->currentIndex(), -1);
        QVERIFY(rig.get<QLineEdit>("Edit14")->text().isEmpty());
        QVERIFY(rig.get<QLineEdit>("Edit18")->text().isEmpty());
        QCOMPARE(rig.get<QLineEdit>("ABadr")->text(), QString("00100")); // base addresses stay
        QCOMPARE(rig.sent(), QString("QQQ#QQ3#"));
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QQ3#"));
        QCOMPARE(rig.ex().pendingCode(), 301);
    }

    // A late reply for the slot the user just left fills nothing of the new slot.
    void lateReplyForTheSlotLeft()
    {
        Rig rig;
        rig.open();
        pick(rig.get<QComboBox>("ComboBox41"), 1);
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QQ1#"));
        pick(rig.get<QComboBox>("ComboBox41"), 2);
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QQ2#"));
        rig.pty.write("QQQ#QQ1#HART1:1,1,05,9,010#DFO1:10234#");
        QTRY_COMPARE(rig.shown(), QString("QQQ#QQ1#HART1:1,1,05,9,010#DFO1:10234#"));
        QTest::qWait(500); // the reply-parse has run
        QCOMPARE(rig.get<QComboBox>("ComboBox6")->currentIndex(), -1);
        QCOMPARE(rig.get<QComboBox>("ComboBox17")->currentIndex(), -1);
        QCOMPARE(rig.get<QComboBox>("FAMOUT1")->currentIndex(), -1);
        QVERIFY(rig.get<QLineEdit>("Edit1")->text().isEmpty());
        rig.pty.write("QQQ#QQ2#HART2:1,0,05,9,010#");
        QTRY_COMPARE(rig.get<QComboBox>("ComboBox17")->currentIndex(), 5);
    }

    void slotChangeWithThePortClosed()
    {
        Rig rig;
        pick(rig.get<QComboBox>("ComboBox41"), 2);
        QCOMPARE(registerLabels(rig).first(), QString("40001:"));
        QVERIFY(rig.sent().isEmpty());
        rig.form.modbusPage().selectSlotForHartAddress(2); // from the Transparent Mode page
        QCOMPARE(registerLabels(rig).last(), QString("40029"));
        rig.form.modbusPage().selectSlotForHartAddress(12);
        QCOMPARE(rig.get<QComboBox>("ComboBox41")->currentIndex(), -1);
        QCOMPARE(registerLabels(rig).last(), QString("40029"));
        rig.get<QLineEdit>("Edit8")->setText("kept");
        rig.button("Button31")->click(); // no slot chosen: refused, nothing sent
        QCOMPARE(rig.messages.texts(), QStringList({"Meter ID: choose a device from the list."}));
        QCOMPARE(rig.sent(), QString("kept"));
        QCOMPARE(rig.ex().pendingCode(), 0);
        QVERIFY(!rig.ex().Timer3.enabled());
    }

    // After a slot change blanks the lists, no Set writes "/" in place of a digit: each
    // names its field, and the exchange is left as it was.
    void blankListsAreRefusedNotSent()
    {
        Rig rig;
        rig.open();
        pick(rig.get<QComboBox>("ComboBox41"), 1);
        QCOMPARE(rig.pty.readQuiet(), QByteArray("QQQ#QQ1#"));
        rig.pty.write("QQQ#QQ1#");
        QTRY_COMPARE(rig.shown(), QString("QQQ#QQ1#"));
        rig.get<QLineEdit>("Edit1")->setText("10");
        for (const char* start : {"READADR1", "READADR3", "READADR5", "READADR7"})
            rig.get<QLineEdit>(start)->setText("0");
        const struct {
            const char* button;
            const char* refusal;
        } cases[] = {
            {"Button10", "Enabled: choose Open or Close from the list."},
            {"Button21", "current(RTU_ADR) format: choose a format from the list."},
            {"Button12", "Variable_1 Command Number: choose a command from the list."},
            {"Button17", "Read Meter Command 1: choose Open or Close from the list."},
            {"Button5", "RS232/RS485A baud rate: choose a speed from the list."},
            {"Button9", "RS485B baud rate: choose a speed from the list."},
            {"Button24", "Working Mode: choose a mode from the list."},
            {"Button15", "RS485A data return time: choose a time from the list."},
        };
        for (const auto& c : cases) {
            rig.button(c.button)->click();
            QCOMPARE(rig.messages.last(), QString(c.refusal));
            QCOMPARE(rig.sent(), QString("QQQ#QQ1#"));
            QCOMPARE(rig.shown(), QString("QQQ#QQ1#"));
        }
        rig.get<QComboBox>("RS485ADY")->setCurrentIndex(3);
        rig.get<QLineEdit>("Edit14")->setText("256");
        rig.button("Button29")->click();
        QCOMPARE(rig.messages.last(), QString("MODBUS_Slave_Adr must be a number from 0 to 255."));
        QCOMPARE(rig.messages.entries.size(), int(std::size(cases)) + 1);
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
        QCOMPARE(rig.ex().pendingCode(), int(Code::ModbusQuery));
        QTest::qWait(2300); // no baud-rate request armed the auto-close
        QVERIFY(rig.form.comm().IsOpen());
        QVERIFY(!rig.ex().Timer4.enabled());
    }

    void replyFillsThePage()
    {
        Rig rig;
        rig.open();
        rig.button("Button31")->click();
        rig.answer("QQQ#QQ0#FMW:2,0.001#FMU:1.000,2.500,0.010#HART0:1,1,00,9,010#DFO0:10234#"
                   "ZDY0:3,1071,2123,0000,0000#MD:2#CAMD01:1<03,FF 82 03#CAMD02:0<00,#");
        QTRY_COMPARE(rig.get<QLineEdit>("Edit4")->text(), QString("FF 82 03"));
        QVERIFY(!rig.get<QGroupBox>("GroupBox13")->isHidden());
        QCOMPARE(rig.get<QComboBox>("ComboBox34")->currentText(), QString("9"));
        QCOMPARE(rig.get<QComboBox>("ComboBox15")->currentText(), QString("3"));
        QCOMPARE(rig.get<QComboBox>("FAMOUT9")->currentIndex(), 4);
        QCOMPARE(rig.get<QComboBox>("READLG3")->currentIndex(), -1); // "3" is no data length
        QCOMPARE(rig.get<QLineEdit>("READADR1")->text(), QString("07"));
        QCOMPARE(rig.get<QComboBox>("ComboBox7")->currentIndex(), 2);
        QCOMPARE(rig.get<QLineEdit>("xishu3")->text(), QString("2.500"));
        QCOMPARE(rig.ex().pendingCode(), 301);

        rig.pty.write("QQ#HART0:1,1,05,9,010#ZDY0:9,2000,0000,0000,0000#");
        QTRY_VERIFY(rig.get<QGroupBox>("GroupBox13")->isHidden());
        QCOMPARE(rig.get<QComboBox>("ComboBox15")->currentText(), QString("3")); // not read
        QVERIFY(rig.messages.entries.isEmpty());
    }

    void setRequests()
    {
        Rig rig;
        rig.open();
        auto send = [&](const char* button) {
            rig.button(button)->click();
            return rig.pty.readQuiet();
        };
        rig.get<QComboBox>("ComboBox6")->setCurrentIndex(1);
        rig.get<QComboBox>("ComboBox16")->setCurrentIndex(1);
        rig.get<QComboBox>("ComboBox17")->setCurrentIndex(13);
        rig.get<QComboBox>("ComboBox34")->setCurrentIndex(1);
        rig.get<QLineEdit>("Edit1")->setText("10");
        QCOMPARE(send("Button10"), QByteArray("QQS#HART0:1,1,13,5,010#"));
        const int formats[] = {1, 0, 2, 3, 4};
        int i = 0;
        for (const char* name : {"FAMOUT1", "FAMOUT3", "FAMOUT5", "FAMOUT7", "FAMOUT9"})
            rig.get<QComboBox>(name)->setCurrentIndex(formats[i++]);
        QCOMPARE(send("Button21"), QByteArray("QQS#DFOT0:10234#"));
        rig.get<QComboBox>("RADCOM1")->setCurrentIndex(1);
        rig.get<QLineEdit>("READADR1")->setText("7");
        rig.get<QComboBox>("READLG1")->setCurrentIndex(1);
        for (const char* row : {"3", "5", "7"}) {
            rig.get<QComboBox>(qPrintable(QString("RADCOM") + row))->setCurrentIndex(0);
            rig.get<QLineEdit>(qPrintable(QString("READADR") + row))->setText("0");
            rig.get<QComboBox>(qPrintable(QString("READLG") + row))->setCurrentIndex(0);
        }
        QCOMPARE(send("Button12"), QByteArray("QQS#MDBS0:8,1071,0000,0000,0000#"));
        rig.get<QComboBox>("ComboBox14")->setCurrentIndex(2);
        QCOMPARE(send("Button22"), QByteArray("QQS#MD:2#"));
        rig.get<QComboBox>("ComboBox18")->setCurrentIndex(2);
        QCOMPARE(send("Button2"), QByteArray("QQS#FMW:2,0.001#"));
        rig.get<QLineEdit>("xishu3")->setText("2.500");
        rig.get<QLineEdit>("xishu4")->setText("0.0100"); // only the first five characters go
        QCOMPARE(send("Button19"), QByteArray("QQS#FMU:1.000,2.500,0.010#"));
        rig.get<QComboBox>("ComboBox28")->setCurrentIndex(1);
        rig.get<QLineEdit>("Edit4")->setText("FF 82 03");
        QCOMPARE(send("Button17"), QByteArray("QQS#CAMD01:1<03,\xFF\x82\x03", 19));
        QCOMPARE(rig.sent(), QString("51 51 53 23 43 41 4D 44 30 31 3A 31 3C 30 33 2C FF 82 03 "));
        QVERIFY(rig.messages.entries.isEmpty());
    }

    void badEntriesSendNothing()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit5")->setText("ff 82");
        rig.button("Button18")->click();
        QCOMPARE(rig.messages.texts(), QStringList({"Data eeore!"}));
        QVERIFY(!rig.messages.entries.last().isError);
        rig.get<QLineEdit>("Edit5")->setText("FF-82");
        rig.button("Button18")->click();
        QCOMPARE(rig.messages.last(), QString("NO SPACK"));
        rig.get<QLineEdit>("Edit5")->setText("FF 82 0");
        rig.button("Button18")->click();
        QCOMPARE(rig.messages.last(),
                 QString("At most 14 pairs of hex digits, separated by single blanks (76 89 FD AD)."));
        rig.button("Button10")->click(); // Edit1 is blank after start-up
        QCOMPARE(rig.messages.entries.last().text, QString("'' is not a valid integer value."));
        rig.get<QLineEdit>("xishu2")->setText("1.0");
        rig.button("Button19")->click();
        QVERIFY(rig.messages.entries.last().text.contains("'1.0'"));
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
        QCOMPARE(rig.ex().pendingCode(), 0);
    }

    void meterTypeChange()
    {
        Rig rig;
        rig.get<QLineEdit>("READADR1")->setText("07");
        pick(rig.get<QComboBox>("ComboBox17"), 5);
        QVERIFY(rig.get<QGroupBox>("GroupBox13")->isHidden());
        QCOMPARE(rig.get<QLineEdit>("READADR1")->text(), QString("07"));
        pick(rig.get<QComboBox>("ComboBox17"), 0);
        QVERIFY(!rig.get<QGroupBox>("GroupBox13")->isHidden());
        QVERIFY(rig.get<QLineEdit>("READADR1")->text().isEmpty());
        QCOMPARE(rig.get<QComboBox>("ComboBox15")->currentIndex(), -1);
    }

    void calculator()
    {
        Rig rig;
        rig.get<QLineEdit>("Edit7")->setText("41 20 00 00");
        rig.button("Button13")->click();
        QCOMPARE(rig.get<QLineEdit>("Edit22")->text(), QString("10"));
        rig.get<QLineEdit>("Edit7")->setText("41-20-00-00");
        rig.button("Button13")->click();
        QCOMPARE(rig.messages.texts(), QStringList({"Input data contains no spaces"}));
        QCOMPARE(rig.get<QLineEdit>("Edit22")->text(), QString("10"));
        QVERIFY(rig.sent().isEmpty());
    }
};

QTEST_MAIN(TestModbusPage)
#include "test_modbus_page.moc"
