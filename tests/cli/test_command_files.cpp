// The files the commands write as they run, the CSV and the traffic log, when they cannot
// be written: a full device, a file-size limit. Each says which file and why, exits 2, and
// leaves only whole rows and lines behind. And a CSV named by bytes that are not UTF-8.
#include "tests/support/StandIn.h"
#include "tests/support/ToolRun.h"

#include <QProcess>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The tool with its files limited to `limit` bytes (0: no limit), as on a nearly full disk.
ToolRun tool(const QStringList& arguments, rlim_t limit = 0)
{
    QProcess p;
    if (limit)
        p.setChildProcessModifier([limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &small);
        });
    p.start(VK_CONFIG_PATH, arguments);
    return finish(p, 60000);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCommandFiles : public QObject {
    Q_OBJECT

private slots:
    // The CSV: a full device and a size limit stop the run with the file's name and the
    // reason; what was written is whole rows, each with every column.
    void aCsvThatCannotBeWrittenIsNamedWithItsReason()
    {
        StandIn standIn;
        ToolRun r = tool({"--port", standIn.link, "monitor", "--hart", "0", "--csv", "/dev/full"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("cannot write the CSV to /dev/full: No space left on device"), qPrintable(r.err));

        const QString csv = standIn.dir.filePath("rows.csv");
        r = tool({"--port", standIn.link, "monitor", "--hart", "0", "--interval", "0", "--csv", csv}, 1500);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("cannot write the CSV to %1: File too large").arg(csv)), qPrintable(r.err));
        const QByteArray rows = contents(csv);
        QVERIFY2(rows.size() > 300 && rows.size() <= 1500 && rows.endsWith('\n'), rows.constData());
        for (const QByteArray& line : rows.trimmed().split('\n')) QCOMPARE(line.count(','), 10);
    }

    // The traffic log: a line that cannot be written is trouble for every command that
    // writes one. The monitor stops after its cycle; a scan goes on to its end.
    void aLogCutShortIsTroubleForEveryCommand()
    {
        StandIn standIn;
        const QString log = standIn.dir.filePath("traffic.log");
        ToolRun r = tool({"--port", standIn.link, "monitor", "--hart", "0", "--interval", "0", "--log", log}, 1500);
        QCOMPARE(r.code, 2);
        const QString said = QStringLiteral("cannot write the log %1: File too large").arg(log);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QVERIFY(contents(log).endsWith('\n'));
        QVERIFY2(r.out.count('\n') >= 2, qPrintable(r.out)); // the header and a row at least

        r = tool({"--port", standIn.link, "scan", "--to", "1", "--log", log}, 600);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err.count(said), 1);
        QCOMPARE(r.out.count('\n'), 2); // both instruments still listed
        QVERIFY(contents(log).endsWith('\n'));
    }

    // The name reaches the file system as the bytes it was given, as --log's does.
    void aCsvNameThatIsNotUtf8IsKept()
    {
        StandIn standIn;
        QProcess shell;
        shell.setWorkingDirectory(standIn.dir.path());
        shell.start("/bin/sh", {"-c", "exec \"$0\" --port \"$1\" monitor --hart 0 --count 1 --csv \"$(printf 'caf\\351.csv')\"",
                                VK_CONFIG_PATH, standIn.link});
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(shell.exitCode(), 0);
        const QByteArray made = QFile::encodeName(standIn.dir.path()) + "/caf\xe9.csv";
        QFile csv;
        const int fd = ::open(made.constData(), O_RDONLY);
        QVERIFY2(fd >= 0, "no file under the given name");
        QVERIFY(csv.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(csv.readAll().count('\n'), 2);
        ::unlink(made.constData()); // a name QTemporaryDir could not spell
    }
};

QTEST_MAIN(TestCommandFiles)
#include "test_command_files.moc"
