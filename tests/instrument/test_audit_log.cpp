// The audit log read back: entries come back as they were written, whatever their values
// hold, and a line that is no entry is skipped and named by its number without losing the
// lines around it.
#include "instrument/AuditLog.h"

#include <QtTest>

namespace AuditLog {
// A differing entry is shown as its line.
char* toString(const Entry& e) { return qstrdup(line(e).constData()); }
} // namespace AuditLog

namespace {

AuditLog::Entry entry(const QString& setting, const QString& old, const QString& now, const QString& outcome)
{
    return {QDateTime(QDate(2024, 3, 1), QTime(9, 30, 15), Qt::UTC), "/dev/ttyUSB0", 5, "00A1B2", setting, old, now,
            outcome};
}

const QByteArray kGood = "2024-03-01T09:30:15Z\t/dev/ttyUSB0\t5\t00A1B2\ttag\tPT-201\tPT-202\twritten\n";

} // namespace

class TestAuditLog : public QObject {
    Q_OBJECT

private slots:
    void entriesComeBackAsWritten_data()
    {
        QTest::addColumn<AuditLog::Entry>("written");
        QTest::newRow("plain") << entry("tag", "PT-201", "PT-202", "written");
        QTest::newRow("tabs and line breaks") << entry("message", "a\tb\nc\r\nd", "\t\n", "refused: x\ty");
        QTest::newRow("backslashes") << entry("descriptor", "C:\\temp\\new", "\\t is no tab", "ends in \\");
        QTest::newRow("escape-like text") << entry("message", "\\\\n", "\\\t\\n\\", "\\r\\");
        QTest::newRow("non-ASCII") << entry("unit", "°C", "µS/cm Ω 温度 🌡", "written");
        QTest::newRow("empty fields") << AuditLog::Entry{QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC), "", 63, "",
                                                         "", "", "", ""};
    }
    void entriesComeBackAsWritten()
    {
        QFETCH(AuditLog::Entry, written);
        QStringList problems;
        // Between two other entries, so that a field that leaks into the next line shows.
        const QByteArray text = kGood + AuditLog::line(written) + kGood;
        const QList<AuditLog::Entry> back = AuditLog::parse(text, problems);
        QCOMPARE(problems, QStringList());
        QCOMPARE(back.size(), 3);
        QCOMPARE(back[1], written);
        QCOMPARE(back[0], back[2]);
    }

    void linesThatAreNoEntryAreNamed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("problem"); // empty: the line is read as an entry
        QTest::newRow("seven fields") << QByteArray("2024-03-01T09:30:15Z\tp\t5\t00A1B2\ttag\told\tnew\n")
                                      << "line 2: 7 fields, not 8";
        QTest::newRow("nine fields") << QByteArray("2024-03-01T09:30:15Z\tp\t5\t00A1B2\ttag\told\tnew\twritten\tx\n")
                                     << "line 2: 9 fields, not 8";
        QTest::newRow("no time") << QByteArray("yesterday\tp\t5\t00A1B2\ttag\told\tnew\twritten\n")
                                 << "line 2: no readable time";
        QTest::newRow("no polling address") << QByteArray("2024-03-01T09:30:15Z\tp\tfive\t00A1B2\ttag\told\tnew\twritten\n")
                                            << "line 2: no polling address";
        QTest::newRow("carriage return line end") << QByteArray("2024-03-01T09:30:15Z\tp\t5\t00A1B2\ttag\told\tnew\twritten\r\n")
                                                  << QString();
        QTest::newRow("blank line") << QByteArray("\n") << QString();
    }
    void linesThatAreNoEntryAreNamed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, problem);
        QStringList problems;
        const auto entries = AuditLog::parse(kGood + line + kGood, problems);
        const bool entry = problem.isEmpty() && line != "\n";
        QCOMPARE(problems, problem.isEmpty() ? QStringList() : QStringList{problem});
        QCOMPARE(entries.size(), entry ? 3 : 2);
        QCOMPARE(entries.last().setting, QStringLiteral("tag"));
        QCOMPARE(entries.last().old, QStringLiteral("PT-201"));
    }

    // Every line written ends with its line end: one without was cut off as it was written.
    void aLastLineWithoutItsEndIsNamed()
    {
        QStringList problems;
        QByteArray text = kGood + kGood;
        text.chop(1);
        QCOMPARE(AuditLog::parse(text, problems).size(), 1);
        QCOMPARE(problems, QStringList{"line 2: cut off before its line end"});
    }

    // What append() wrote is what read() gives; a missing log or one far too large to be a
    // log is named and gives nothing.
    void aFileIsReadWithinItsLimit()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("sub/writes.log"));
        const QList<AuditLog::Entry> written{entry("tag", "A", "B", "written"), entry("damping", "1", "2", "not sent")};
        QCOMPARE(AuditLog::append(path, written), QString());
        QCOMPARE(AuditLog::append(path, written.mid(0, 1)), QString());
        QStringList problems;
        QCOMPARE(AuditLog::read(path, problems), written + written.mid(0, 1));
        QCOMPARE(problems, QStringList());

        QVERIFY(AuditLog::read(QFile::encodeName(dir.filePath("none.log")), problems).isEmpty());
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains("none.log"), qPrintable(problems[0]));

        QFile huge(dir.filePath("huge.log"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(AuditLog::kReadLimit + 1)); // sparse: costs no disk
        huge.close();
        problems.clear();
        QVERIFY(AuditLog::read(QFile::encodeName(huge.fileName()), problems).isEmpty());
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains("larger than 16 MiB"), qPrintable(problems[0]));
    }
};

QTEST_GUILESS_MAIN(TestAuditLog)
#include "test_audit_log.moc"
