// The hand-over commands. vk742b-config regmap: from a profile file to stdout and to files
// in each format, from the converter (the stand-in) read whole first, with an instrument
// snapshot's tag, and the refusals, each before anything is read or written. vk742b-config
// report: a PDF and HTML from a profile, snapshots and records, read back with Debian's PDF
// tools; from the stand-in; and its refusals.
#include "tests/regmap/MapProfile.h"
#include "tests/support/DocumentChecks.h"
#include "tests/support/StandIn.h"
#include "tests/support/ToolRun.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace {


QString writeProfile(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("plant.json");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the profile");
    file.write(mapProfile().toJson());
    return path;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

} // namespace

class TestRegmapCommand : public QObject {
    Q_OBJECT

private slots:
    void profileToStdoutAndToFiles()
    {
        QTemporaryDir dir;
        const QString profile = writeProfile(dir);
        const ToolRun csv = runTool({"regmap", "--profile", profile});
        QCOMPARE(csv.code, 0);
        const QStringList lines = csv.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 16);
        QVERIFY(lines[0].startsWith("register,address,count,function,"));
        QCOMPARE(lines[15], QString("40049,48,2,3,4,variable_4,4,Toshiba,,,1,float32,CDAB,0000 42C8"));
        QCOMPARE(runTool({"regmap", "--profile", profile, "--all"}).out.count('\n'), 26);

        // The format follows the file's ending unless --format names one.
        QCOMPARE(runTool({"regmap", "--profile", profile, "-o", dir.filePath("map.md")}).code, 0);
        QVERIFY(contents(dir.filePath("map.md")).startsWith("# Register map\n\n| Converter | |"));
        QCOMPARE(runTool({"regmap", "--profile", profile, "--output", dir.filePath("map.html")}).code, 0);
        QVERIFY(contents(dir.filePath("map.html")).startsWith("<!DOCTYPE html>"));
        QVERIFY(contents(dir.filePath("map.html")).contains("<p>From the profile " + profile.toUtf8() + ", as the file"));
        QCOMPARE(runTool({"regmap", "--profile", profile, "--format", "md", "-o", dir.filePath("map.txt")}).code, 0);
        QVERIFY(contents(dir.filePath("map.txt")).startsWith("# Register map"));
    }

    void refusalsWriteNothing()
    {
        QTemporaryDir dir;
        const QString profile = writeProfile(dir);
        QFile bad(dir.filePath("bad.json"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("{\"format\": \"vk742b-profile\", \"version\": 1}");
        bad.close();
        const QString out = dir.filePath("out.csv");
        const QList<QStringList> refused = {
            {"regmap"},
            {"--port", "/dev/null", "regmap", "--profile", profile},
            {"regmap", "--profile", profile, "--format", "pdf", "-o", out},
            {"regmap", "--profile", bad.fileName(), "-o", out},
            {"regmap", "--profile", profile, "--instrument", dir.filePath("missing.json"), "-o", out},
            {"regmap", "--profile", profile, "-o", dir.filePath("no/such/folder/out.csv")},
            {"regmap", "extra", "--profile", profile},
        };
        for (const QStringList& args : refused) {
            const ToolRun r = runTool(args);
            QVERIFY2(r.code == 2 && r.out.isEmpty(), qPrintable(args.join(' ') + ": " + r.err));
        }
        QVERIFY(!QFile::exists(out));
        const ToolRun help = runTool({"regmap", "--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains("--instrument FILE"));
    }

    // From the converter: read whole, then mapped; the map names the port. An instrument
    // read and saved first lends its tag to the slot polling it.
    void fromTheConverterWithASnapshot()
    {
        StandIn sim;
        QTemporaryDir dir;
        const QString snapshot = dir.filePath("ft.json");
        QCOMPARE(runTool({"--port", sim.link, "instrument", "0", "--save", snapshot}).code, 0);
        const QString profile = writeProfile(dir);
        const ToolRun tagged = runTool({"regmap", "--profile", profile, "--instrument", snapshot});
        QCOMPARE(tagged.code, 0);
        const QString tag = QJsonDocument::fromJson(contents(snapshot)).object().value("tag").toString();
        QVERIFY(!tag.isEmpty());
        QVERIFY2(tagged.out.contains(QStringLiteral(",0,current,0,Custom Meter,%1,mA,").arg(tag)), qPrintable(tagged.out));
        QCOMPARE(runTool({"regmap", "--profile", profile, "--instrument", snapshot, "--instrument", snapshot}).code, 2);

        const ToolRun read = runTool({"--port", sim.link, "regmap", "--format", "html"});
        QVERIFY2(read.code == 0, qPrintable(read.err));
        QVERIFY2(read.out.contains("<p>Read from the converter on " + sim.link + " at "), qPrintable(read.out));
        QVERIFY(read.out.contains("<tr><th>Slave address</th><td>1</td></tr>"));
    }


    void reportFromAProfileWithSnapshotsAndRecords()
    {
        QTemporaryDir dir;
        const QString profile = writeProfile(dir);
        const QString audit = dir.filePath("writes.log");
        write(audit, "2026-12-01T08:00:00Z\t/dev/ttyUSB0\t5\t00A1B2\tdescriptor\tTANK\tTANK <&> LEVEL\twritten and read back\n"
                     "not a line of the log\n");
        const QStringList inputs{"--profile", profile, "--instrument", QFINDTESTDATA("../report/ft-101.json"),
                                 "--instrument", QFINDTESTDATA("../report/lt-505.json"), "--live",
                                 QFINDTESTDATA("../report/live.csv"), "--audit", audit};
        const ToolRun pdf = runTool(QStringList{"report", "-o", dir.filePath("plant.pdf")} + inputs);
        QVERIFY2(pdf.code == 0, qPrintable(pdf.err));
        QVERIFY2(pdf.err.contains(QRegularExpression("saved .*plant.pdf \\(\\d+ pages\\)")), qPrintable(pdf.err));
        QVERIFY(pdf.err.contains("line 2")); // the unreadable line is named, the rest reported
        QVERIFY(contents(dir.filePath("plant.pdf")).startsWith("%PDF-"));
        const QString text = pdfText(dir.filePath("plant.pdf"));
        if (text.isEmpty()) QSKIP("pdftotext is not installed");
        for (const char* expected : {"Slave address 17", "FT-101", "LT-505", "40001 0 0 current", "TANK <&> LEVEL",
                                     "hart5.pv", "plant.json"})
            QVERIFY2(text.contains(expected), expected);

        const ToolRun html = runTool(QStringList{"report", "-o", dir.filePath("plant.html")} + inputs);
        QVERIFY2(html.code == 0, qPrintable(html.err));
        const QByteArray page = contents(dir.filePath("plant.html"));
        QVERIFY(page.startsWith("<!DOCTYPE html>"));
        QVERIFY(page.contains("TANK &lt;&amp;&gt; LEVEL"));
    }

    void reportRefusalsWriteNothing()
    {
        QTemporaryDir dir;
        const QString profile = writeProfile(dir);
        write(dir.filePath("bad.csv"), "value\n1\n");
        const QString out = dir.filePath("out.pdf");
        const QList<QStringList> refused = {
            {"report", "--profile", profile},
            {"report", "--profile", profile, "-o", dir.filePath("out.txt")},
            {"--port", "/dev/null", "report", "--profile", profile, "-o", out},
            {"report", "--profile", profile, "--instrument", dir.filePath("missing.json"), "-o", out},
            {"report", "--profile", profile, "--live", dir.filePath("bad.csv"), "-o", out},
            {"report", "--profile", profile, "--audit", dir.filePath("missing.log"), "-o", out},
            {"report", "--profile", profile, "-o", dir.filePath("no/such/folder/out.pdf")},
        };
        for (const QStringList& args : refused) {
            const ToolRun r = runTool(args);
            QVERIFY2(r.code == 2 && r.out.isEmpty(), qPrintable(args.join(' ') + ": " + r.err));
        }
        QVERIFY(!QFile::exists(out));
    }

    // From the converter: the link check's reply names it, and the report names the port.
    void reportFromTheConverter()
    {
        StandIn sim;
        QTemporaryDir dir;
        const ToolRun r = runTool({"--port", sim.link, "report", "-o", dir.filePath("now.pdf")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString text = pdfText(dir.filePath("now.pdf"));
        if (text.isEmpty()) QSKIP("pdftotext is not installed");
        QVERIFY2(text.contains("Converter VK742-B V6.0"), qPrintable(text.left(600)));
        QVERIFY(text.contains("the converter on " + sim.link + ", read at"));
    }
};

QTEST_MAIN(TestRegmapCommand)
#include "test_regmap_command.moc"
