// The monitor command against libmodbus's own RTU slave on a pseudo-terminal: known floats
// in two slots, in both word orders, come back exactly in the CSV; while the slave is
// silent for two cycles, those rows have empty cells.
#include "tests/support/LibmodbusSlave.h"
#include "tests/support/PtyPair.h"

#include <QProcess>
#include <QtTest>
#include <bit>

namespace {

// Slot 0 holds its values high word first (format 0), slot 3 low word first (format 1).
const float kSlot0[5] = {12.5f, 3.14159f, -273.15f, 1e-7f, 123456.789f};
const float kSlot3[5] = {4.0f, 0.1f, -0.0001234f, 98765.43f, 3.4e38f};

// libmodbus as the converter's MODBUS side: slave 17, slot 0's values at 0, slot 3's at 30.
// `delayFor` says, for each request from 1, after how many milliseconds it is answered, or
// -1 for never.
struct Slave : LibmodbusSlave {
    Slave(int fd, std::function<int(int request)> delayFor)
        : LibmodbusSlave(fd, 17, 50, [](uint16_t* r) {
              for (int v = 0; v < 5; ++v) {
                  const uint32_t a = std::bit_cast<uint32_t>(kSlot0[v]), b = std::bit_cast<uint32_t>(kSlot3[v]);
                  r[2 * v] = uint16_t(a >> 16);
                  r[2 * v + 1] = uint16_t(a);
                  r[30 + 2 * v] = uint16_t(b);
                  r[30 + 2 * v + 1] = uint16_t(b >> 16);
              }
          }, std::move(delayFor))
    {
    }
};

} // namespace

class TestLiveInterop : public QObject {
    Q_OBJECT

private slots:
    void knownFloatsComeBackExactly()
    {
        PtyPair pty;
        // Silent for the third to sixth requests: the second and third cycles of two slots.
        Slave slave(pty.master(), [](int request) { return request >= 3 && request <= 6 ? -1 : 0; });
        QProcess tool;
        tool.start(VK_CONFIG_PATH, {"--port", QString::fromStdString(pty.slavePath()), "monitor", "--slave", "17",
                                    "--slots", "0,3", "--formats", "3:1,1,1,1,1", "--count", "4", "--interval", "100"});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(slave.requests(), 8);
        const QList<QByteArray> lines = tool.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QByteArray("time,slot0.current,slot0.variable_1,slot0.variable_2,slot0.variable_3,"
                                      "slot0.variable_4,slot3.current,slot3.variable_1,slot3.variable_2,"
                                      "slot3.variable_3,slot3.variable_4"));
        for (int row : {1, 4}) {
            const QList<QByteArray> cells = lines[row].split(',');
            QCOMPARE(cells.size(), 11);
            for (int v = 0; v < 5; ++v) {
                QCOMPARE(cells[1 + v].toFloat(), kSlot0[v]);
                QCOMPARE(cells[6 + v].toFloat(), kSlot3[v]);
            }
            // The fewest digits that give the float back.
            QCOMPARE(cells[2], QByteArray("3.14159"));
            QCOMPARE(cells[7], QByteArray("0.1"));
        }
        for (int row : {2, 3}) QCOMPARE(lines[row].mid(lines[row].indexOf(',')), QByteArray(",,,,,,,,,,"));
        const QByteArray err = tool.readAllStandardError();
        QVERIFY2(err.contains("slot0: 4 requests, 2 answers, 2 timeouts, 0 CRC errors, 0 exceptions"), err.constData());
    }

    // A MODBUS answer names no register: slot 0's answer, come after its time limit while
    // slot 3 is next, must not show under slot 3. The tool waits for the line to settle,
    // counts a time-out for slot 0 and asks slot 3 afresh.
    void aLateAnswerShowsUnderNoSlot()
    {
        PtyPair pty;
        Slave slave(pty.master(), [](int request) { return request == 3 ? 1300 : 0; });
        QProcess tool;
        tool.start(VK_CONFIG_PATH, {"--port", QString::fromStdString(pty.slavePath()), "monitor", "--slave", "17",
                                    "--slots", "0,3", "--formats", "3:1,1,1,1,1", "--formats", "0:0,0,0,0,0",
                                    "--count", "3", "--interval", "0"});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        const QList<QByteArray> lines = tool.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 4);
        for (int row = 1; row <= 3; ++row) {
            const QList<QByteArray> cells = lines[row].split(',');
            QCOMPARE(cells.size(), 11);
            for (int v = 0; v < 5; ++v) {
                // Row 2's slot 0 went unanswered; every other cell holds its own slot's value.
                if (row == 2) QCOMPARE(cells[1 + v], QByteArray());
                else QCOMPARE(cells[1 + v].toFloat(), kSlot0[v]);
                QCOMPARE(cells[6 + v].toFloat(), kSlot3[v]);
            }
        }
        const QByteArray err = tool.readAllStandardError();
        QVERIFY2(QRegularExpression("slot0: 3 requests?, 2 answers?, 1 timeouts?, 0 CRC errors?")
                     .match(QString::fromUtf8(err)).hasMatch(), err.constData());
        QVERIFY2(QRegularExpression("slot3: 3 requests?, 3 answers?, 0 timeouts?").match(QString::fromUtf8(err)).hasMatch(),
                 err.constData());
    }
};

QTEST_MAIN(TestLiveInterop)
#include "test_live_interop.moc"
