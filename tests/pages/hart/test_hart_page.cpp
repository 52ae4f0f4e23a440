// The Transparent Mode page in the real window, over a pseudo-terminal.
#include "pages/hart/HartPage.h"
#include "pages/hart/HartStatusLine.h"
#include "pages/widgets/Accent.h"
#include "tests/support/Bytes.h"
#include "tests/support/WindowRig.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>

namespace {

const char* const kIdentityReply = "FF FF FF FF FF 06 80 00 0E 00 00 FE 11 22 05 05 01 01 08 00 00 00 01 9B";

// An instrument's reply: two preambles, the frame as given, its checksum.
QByteArray hartReply(const char* frame)
{
    const QByteArray f = hex(frame);
    uint8_t sum = 0;
    for (char c : f) sum ^= uint8_t(c);
    return hex("FF FF") + f + char(sum);
}

// Command 3's reply with these status bytes: 12.5 bar, 100 degC, 1 litre, and NaN percent,
// from the instrument at this long address.
QByteArray variablesReply(const char* status, const char* from = "80 00 00 00 00")
{
    return hartReply(QByteArray("86 ") + from + " 03 1A " + status +
                     " 41 40 00 00 07 41 48 00 00 20 42 C8 00 00 29 3F 80 00 00 39 7F A0 00 00");
}

} // namespace

class TestHartPage : public QObject {
    Q_OBJECT

private slots:
    void identityThenValues()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit28")->setText("old");
        rig.button("Button7")->click();
        QCOMPARE(rig.sent(), QString("FF FF FF FF FF FF FF 02 80 00 00 82 "));
        QVERIFY(rig.get<QLineEdit>("Edit28")->text().isEmpty());
        QCOMPARE(rig.answer(hex(kIdentityReply)), hex("FF FF FF FF FF FF FF 02 80 00 00 82"));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit32")->text(), QString("000001 (1)"));
        QCOMPARE(rig.get<QLineEdit>("Edit28")->text(), QString("0x11 (17)"));
        QCOMPARE(rig.get<QLineEdit>("Edit29")->text(), QString("0x22 (34)"));
        QCOMPARE(rig.get<QLineEdit>("Edit31")->text(), QString("5"));
        QCOMPARE(rig.shown(), QString(kIdentityReply) + ' ');
        QCOMPARE(rig.ex().pendingCode(), 0);

        rig.button("Button16")->click();
        QCOMPARE(rig.sent(), QString("FF FF FF FF FF FF FF 82 91 22 00 00 01 03 00 33 "));
        rig.answer(hex("FF FF 86 91 22 00 00 01 03 1A 00 00 41 40 00 00 07 41 48 00 00 20 42 C8 00 00 "
                       "29 3F 80 00 00 39 7F A0 00 00 00"));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit25")->text(), QString("12.5"));
        QCOMPARE(rig.get<QComboBox>("ComboBox3")->currentText(), QString("bar    "));
        QCOMPARE(rig.get<QLabel>("HLabel2")->text(), QString("12.5"));
        QCOMPARE(rig.get<QLineEdit>("Edit26")->text(), QString("100"));
        QCOMPARE(rig.get<QComboBox>("ComboBox31")->currentText(), QString::fromUtf8("\u2103"));
        QCOMPARE(rig.get<QLabel>("HLabel5")->text(), QString("00000000"));
        QCOMPARE(rig.get<QComboBox>("ComboBox33")->currentText(), QString("%"));
        QVERIFY(rig.messages.entries.isEmpty());
    }

    // The values belong to the instrument they were read from: another instrument's
    // command 0 answer blanks them and their mirrors; the same instrument's keeps them.
    void anotherInstrumentBlanksTheValues()
    {
        Rig rig;
        rig.open();
        rig.button("Button7")->click();
        rig.answer(hex(kIdentityReply));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit32")->text(), QString("000001 (1)"));
        rig.button("Button16")->click();
        rig.answer(variablesReply("00 00", "91 22 00 00 01"));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit30")->text(), QString("00000000"));
        const char* const values[] = {"Edit25", "Edit26", "Edit27", "Edit30"};
        const char* const mirrors[] = {"HLabel2", "HLabel3", "HLabel4", "HLabel5"};
        auto shownValues = [&] {
            QStringList texts;
            for (const char* v : values) texts << rig.get<QLineEdit>(v)->text();
            for (const char* m : mirrors) texts << rig.get<QLabel>(m)->text();
            return texts;
        };
        const QStringList read = shownValues();
        QCOMPARE(read.first(), QString("12.5"));

        rig.button("Button7")->click(); // the same instrument again
        rig.answer(hex(kIdentityReply));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit32")->text(), QString("000001 (1)"));
        QCOMPARE(shownValues(), read);

        rig.get<QComboBox>("ComboBox30")->setCurrentIndex(1);
        rig.button("Button7")->click(); // another one
        rig.answer(hartReply("06 81 00 0E 00 00 FE 11 22 05 05 01 01 08 00 00 00 02"));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit32")->text(), QString("000002 (2)"));
        QCOMPARE(shownValues(), QStringList(8, QString()));
        QVERIFY(rig.messages.entries.isEmpty());
    }

    // A request that gets no answer says on the status line whom it asked and how long it
    // waited: the wait in force, which an earlier request's running timer may shorten.
    void noAnswerOnTheStatusLine()
    {
        Rig rig;
        rig.open();
        auto* line = rig.get<HartStatusLine>("HartStatusLine");
        rig.button("Button16")->click(); // the first HART request waits 1 s
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts(), QStringList({"!"}), 2000);
        QCOMPARE(line->text(), QString("no answer from long address 00 00 00 00 00 within 1 s"));
        QCOMPARE(line->severity(), HartStatus::Severity::Error);
        QCOMPARE(rig.get<QLabel>("Label68")->text(), QString("Set timeout")); // as before

        rig.messages.entries.clear();
        QElapsedTimer clock;
        clock.start();
        rig.button("Button6")->click(); // the link check arms 3 s
        QTest::qWait(1000);
        const qint64 left = 3000 - clock.elapsed();
        rig.button("Button7")->click(); // enables the running timer: its deadline stays
        QTRY_COMPARE_WITH_TIMEOUT(rig.messages.texts(), QStringList({"!"}), 3000);
        const QRegularExpressionMatch wait =
            QRegularExpression("^no answer from polling address 0 within ([0-9.]+) s$").match(line->text());
        QVERIFY2(wait.hasMatch(), qPrintable(line->text()));
        QVERIFY2(qAbs(wait.captured(1).toDouble() * 1000 - left) <= 150, qPrintable(line->text()));
    }

    void queryToAHighAddressLeavesNoSelection()
    {
        Rig rig;
        rig.open();
        rig.get<QComboBox>("ComboBox30")->setCurrentIndex(12);
        rig.get<QComboBox>("ComboBox42")->setCurrentIndex(1);
        rig.button("Button7")->click();
        QCOMPARE(rig.answer(hex("FF FF FF FF FF 06 0C 00 0E 00 00 FE 11 22 05 05 01 01 08 00 00 00 01 17"))
                     .right(5),
                 hex("02 0C 00 00 0E")); // the instrument at address 12 answers
        QTRY_COMPARE(rig.get<QLineEdit>("Edit28")->text(), QString("0x11 (17)"));
        QCOMPARE(rig.get<QComboBox>("ComboBox27")->currentIndex(), -1);
    }

    // Fields past the received text's 255 characters are read from the receive buffer.
    void identityBeyondTheReceivedText()
    {
        Rig rig;
        rig.open();
        rig.button("Button7")->click();
        rig.answer(QByteArray(240, '\0') + hex(kIdentityReply)); // one 264-byte chunk
        QTRY_COMPARE(rig.get<QLineEdit>("Edit28")->text(), QString("0x11 (17)"));
        QCOMPARE(rig.get<QLineEdit>("Edit31")->text(), QString("5"));
        QCOMPARE(rig.get<QLineEdit>("Edit32")->text(), QString("000001 (1)")); // bytes 260 to 262
        QCOMPARE(rig.ex().receivedText().size(), 255);
    }

    // Every preamble length whose frame fits the 504-byte transmit buffer is sent.
    void longestPreambles()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit9")->setText("498"); // command 0: 499 + 5 bytes
        rig.button("Button7")->click();
        const QByteArray frame = rig.pty.readQuiet();
        QCOMPARE(frame.size(), 504);
        QCOMPARE(frame.right(5), hex("02 80 00 00 82"));
        QVERIFY(rig.messages.entries.isEmpty());
        rig.get<QLineEdit>("Edit9")->setText("499");
        rig.button("Button7")->click();
        QCOMPARE(rig.messages.last(), QString("The request is 505 bytes long, more than the 504 bytes "
                                                      "the transmit buffer holds. Nothing was sent."));
        rig.get<QLineEdit>("Edit9")->setText("100000000");
        rig.button("Button7")->click();
        QVERIFY(rig.messages.last().contains("use -1 to 503"));
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
    }

    void pollingAddressSet()
    {
        Rig rig;
        rig.open();
        rig.get<QComboBox>("ComboBox27")->setCurrentIndex(7);
        rig.button("Button14")->click();
        QCOMPARE(rig.pty.readQuiet().right(10), hex("82 80 00 00 00 00 06 01 07 02"));
        QCOMPARE(rig.form.comm().AppliedLine().rtsControl, TRtsControl::RtsEnable);
        QCOMPARE(rig.ex().pendingCode(), 106);
        QCOMPARE(rig.ex().Timer3.interval(), 3000);
    }

    void manualFrames()
    {
        Rig rig;
        rig.open();
        rig.get<QLineEdit>("Edit10")->setText("02 80 00 00");
        rig.button("Button20")->click();
        QCOMPARE(rig.pty.readQuiet(), hex("FF FF FF FF FF FF FF 02 80 00 00 82"));
        QCOMPARE(rig.ex().pendingCode(), 104);
        QCOMPARE(rig.ex().Timer3.interval(), 1000); // HART requests keep the timer's interval
        rig.get<QLineEdit>("Edit10")->setText("02 80 0a 00");
        rig.button("Button20")->click();
        QCOMPARE(rig.messages.texts(), QStringList({"Data eeore!"}));
        QVERIFY(rig.sent().isEmpty());
        // Separators, the empty entry and the limit are checked too: nothing is sent.
        const struct {
            const char *entry, *message;
        } refused[] = {{"02800000", "NO SPACK"},
                       {"", "NO SPACK"},
                       {"02 80 00 0", "At most 15 pairs of hex digits, separated by single blanks (76 89 FD AD)."},
                       {"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
                        "At most 15 pairs of hex digits, separated by single blanks (76 89 FD AD)."}};
        for (const auto& r : refused) {
            rig.get<QLineEdit>("Edit10")->setText(r.entry);
            rig.button("Button20")->click();
            QCOMPARE(rig.messages.last(), QString(r.message));
        }
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
        rig.messages.entries.clear();
        rig.get<QLineEdit>("Edit10")->setText("02 80 00 00");
        rig.get<QLineEdit>("Edit9")->setText("six");
        rig.button("Button20")->click();
        QCOMPARE(rig.messages.entries.last().text, QString("'six' is not a valid integer value."));
        rig.get<QLineEdit>("Edit9")->setText("-2");
        rig.button("Button20")->click();
        QVERIFY(rig.messages.entries.last().text.contains("'-2'"));
        QVERIFY(rig.pty.readQuiet(100, 300).isEmpty());
    }

    void hartAddressSelectsTheSlot()
    {
        Rig rig;
        auto* address = rig.get<QComboBox>("ComboBox30");
        address->setCurrentIndex(2);
        emit address->activated(2);
        QCOMPARE(rig.get<QComboBox>("ComboBox41")->currentIndex(), 2);
        QCOMPARE(rig.get<QLabel>("Label29")->text(), QString("40029"));
        QVERIFY(rig.sent().isEmpty());
    }

    // Every HART reply's status bytes, in words under the values, in amber or red where
    // they warn or report an error; the details in the tooltip.
    void statusLine()
    {
        Rig rig;
        rig.open();
        auto* line = rig.get<HartStatusLine>("HartStatusLine");
        QVERIFY(line->isVisibleTo(rig.form.findChild<HartPage*>()) && line->text().isEmpty());
        const QColor background = backgroundBehind(line); // the tab page's pane
        const struct {
            const char* status;
            const char* text;
            HartStatus::Severity severity;
        } cases[] = {
            {"00 00", "HART status: success", HartStatus::Severity::Ok},
            {"00 40", "HART status (warning): success; configuration changed", HartStatus::Severity::Warning},
            {"08 00", "HART status (warning): update failure", HartStatus::Severity::Warning},
            {"00 81", "HART status (error): success; device malfunction, primary variable out of limits",
             HartStatus::Severity::Error},
        };
        for (const auto& c : cases) {
            rig.get<QLineEdit>("Edit25")->clear();
            rig.button("Button16")->click();
            QVERIFY(line->text().isEmpty()); // each request starts afresh
            rig.answer(variablesReply(c.status));
            QTRY_COMPARE(rig.get<QLineEdit>("Edit25")->text(), QString("12.5")); // values decoded as ever
            QCOMPARE(line->text(), QString(c.text));
            QCOMPARE(line->severity(), c.severity);
            const QColor shown = line->palette().color(QPalette::WindowText);
            if (c.severity == HartStatus::Severity::Ok) {
                QCOMPARE(shown, QApplication::palette(line).color(QPalette::WindowText));
            } else {
                QCOMPARE(shown, HartStatusLine::colourFor(c.severity, background));
                QVERIFY(contrastRatio(shown, background) >= 4.5);
                // Red for errors; amber (red and green well above blue) for warnings.
                QVERIFY(shown.red() > shown.blue() &&
                        (c.severity == HartStatus::Severity::Error ? shown.red() > 2 * shown.green()
                                                                   : shown.green() > 2 * shown.blue()));
            }
        }
        // Readable on light and dark backgrounds alike.
        for (const QColor& behind : {QColor(Qt::white), QColor(0x20, 0x20, 0x20), QColor(0xF0, 0xF0, 0xF0)})
            for (auto severity : {HartStatus::Severity::Warning, HartStatus::Severity::Error})
                QVERIFY(contrastRatio(HartStatusLine::colourFor(severity, behind), behind) >= 4.5);
        QVERIFY2(line->toolTip().contains("Field device status 0x81:\n  device malfunction\n  primary variable out of "
                                          "limits"),
                 qPrintable(line->toolTip()));
        QVERIFY(rig.messages.entries.isEmpty());
    }

    // A reply of status bytes only, and one with a communication error, leave the fields
    // as they were: only the status line changes.
    void repliesWithoutData()
    {
        Rig rig;
        rig.open();
        auto* line = rig.get<HartStatusLine>("HartStatusLine");
        rig.button("Button16")->click();
        rig.answer(variablesReply("00 00"));
        QTRY_COMPARE(rig.get<QLineEdit>("Edit25")->text(), QString("12.5"));
        rig.get<QLineEdit>("Edit25")->setText("kept");

        rig.button("Button16")->click();
        rig.answer(hartReply("86 80 00 00 00 00 03 02 20 00"));
        QTRY_COMPARE(line->text(), QString("HART status (error): busy"));
        QVERIFY(line->toolTip().contains("status bytes only"));
        QTest::qWait(Exchange::kSettleMs + 100); // past the reply-parse
        QCOMPARE(rig.ex().pendingCode(), 0);

        rig.button("Button16")->click();
        rig.answer(variablesReply("D0 00")); // data bytes present, but not to be read
        QTRY_COMPARE(line->text(), QString("HART status (error): communication error: vertical parity, framing"));
        QTest::qWait(Exchange::kSettleMs + 100);
        QCOMPARE(rig.ex().pendingCode(), 0);
        QCOMPARE(rig.get<QLineEdit>("Edit25")->text(), QString("kept"));
        QCOMPARE(rig.get<QLabel>("HLabel2")->text(), QString("12.5"));
        QCOMPARE(rig.get<QComboBox>("ComboBox3")->currentText(), QString("bar    "));

        // Command 0 answered with its status bytes only: the identity and the address list
        // stay; the manual command's reply shows its status too.
        rig.get<QComboBox>("ComboBox27")->setCurrentIndex(4);
        rig.button("Button7")->click();
        rig.answer(hartReply("06 80 00 02 40 00"));
        QTRY_COMPARE(line->text(), QString("HART status (error): command not implemented"));
        QTest::qWait(Exchange::kSettleMs + 100);
        QCOMPARE(rig.ex().pendingCode(), 0);
        QCOMPARE(rig.get<QComboBox>("ComboBox27")->currentIndex(), 4);
        QVERIFY(rig.get<QLineEdit>("Edit28")->text().isEmpty());
        rig.get<QLineEdit>("Edit10")->setText("02 80 26 00");
        rig.button("Button20")->click();
        rig.answer(hartReply("06 80 26 02 00 10"));
        QTRY_COMPARE(line->text(), QString("HART status (warning): success; more status available"));
        QVERIFY(rig.messages.entries.isEmpty());
    }
};

QTEST_MAIN(TestHartPage)
#include "test_hart_page.moc"
