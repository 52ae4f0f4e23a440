// The commissioning report: the settings as labelled tables, a recorded live run read back,
// the HTML (every text escaped, parsed without errors), and the PDF read back by Debian's
// PDF tools: its text, its page count, and a table of contents whose page numbers are
// where the sections really start.
#include "report/LiveSummary.h"
#include "report/ReportHtml.h"
#include "report/ReportPdf.h"
#include "report/SettingsTables.h"
#include "instrument/SnapshotFile.h"
#include "tests/regmap/MapProfile.h"
#include "tests/support/DocumentChecks.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QJsonObject snapshot(const char* name)
{
    QStringList problems;
    const auto s = SnapshotFile::load(QFile::encodeName(QFINDTESTDATA(name)), problems);
    if (!s) qFatal("%s: %s", name, qPrintable(problems.join("; ")));
    return *s;
}

// A report on the test profile with both stand-in instruments, from the profile file.
Report::Content plantReport()
{
    Report::Content c;
    c.instruments = {{"ft-101.json", snapshot("ft-101.json")}, {"lt-505.json", snapshot("lt-505.json")}};
    Report::settle(c, mapProfile(), {RegisterMap::Source::ProfileFile, "plant.json", {}});
    QFile live(QFINDTESTDATA("live.csv"));
    if (!live.open(QIODevice::ReadOnly)) qFatal("no live.csv");
    QStringList problems;
    c.live = LiveSummary::parse(live.readAll(), problems);
    c.liveFile = "live.csv";
    return c;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void settingsTablesHoldEverySettingInItsPlace()
    {
        const auto tables = SettingsTables::tables(mapProfile());
        QStringList titles;
        for (const auto& t : tables) titles << t.title;
        QCOMPARE(titles, QStringList({"Converter", "MODBUS module", "Coefficients", "Device slots", "Monitoring commands"}));
        const auto cell = [&](const QString& table, const QString& label, int column) {
            for (const auto& t : tables)
                if (t.title == table)
                    for (const QStringList& row : t.rows)
                        if (row[0] == label) return row.value(column);
            return QStringLiteral("(no row %1 in %2)").arg(label, table);
        };
        QCOMPARE(cell("Converter", "RS232/RS485A, baud", 1), QString("19200"));
        QCOMPARE(cell("Converter", "RS485A return time (ms)", 1), QString("100"));
        QCOMPARE(cell("Converter", "RS485B base address", 1), QString("40001"));
        QCOMPARE(cell("Converter", "Working mode", 1), QString("multi_slave"));
        QCOMPARE(cell("Coefficients", "Variable 1 mode", 1), QString("coefficient"));
        QCOMPARE(cell("Device slots", "Enabled", 3), QString("yes"));  // slot 2
        QCOMPARE(cell("Device slots", "Enabled", 2), QString("no"));   // slot 1
        QCOMPARE(cell("Device slots", "Preamble length", 3), QString("9"));
        QCOMPARE(cell("Device slots", "Formats, variable 1", 3), QString("float"));
        QCOMPARE(cell("Device slots", "Custom, parsing 2, start", 1), QString("11"));
        QCOMPARE(cell("Monitoring commands", "Command", 1), QString("01 03 00 00 00 0A C5 CD"));

        // Every value is somewhere: as many cells as the profile holds values.
        int values = 0;
        for (const auto& t : tables)
            for (const QStringList& row : t.rows) values += int(std::count_if(row.begin() + 1, row.end(),
                                                                              [](const QString& v) { return v != "-"; }));
        QCOMPARE(values, int(mapProfile().values.size()));
        // A document that lacks a value shows "-" in its place.
        Profile partial = mapProfile();
        partial.values.erase("system.slave_address");
        for (const auto& t : SettingsTables::tables(partial))
            for (const QStringList& row : t.rows)
                if (row[0] == "Slave address") QCOMPARE(row[1], QString("-"));
    }

    void liveRunReadBack()
    {
        QStringList problems;
        const auto run = LiveSummary::parse("time,hart5.current[mA],hart5.pv,hart5.pv_unit,hart5.status,slot2.current\n"
                                            "2026-12-10T09:00:00.000Z,12.5,3.25,m,success,\n"
                                            "2026-12-10T09:00:01.000Z,,3.5,\"m, level\",\"busy, \"\"deferred\"\"\",4\r\n"
                                            "2026-12-10T09:00:02.000Z,4.0,3.0,m,success,8\n",
                                            problems);
        QVERIFY2(run, qPrintable(problems.join("; ")));
        QCOMPARE(run->cycles, 3);
        QCOMPARE(run->first, QDateTime(QDate(2026, 12, 10), QTime(9, 0), Qt::UTC));
        QCOMPARE(run->columns.size(), size_t(4)); // the unit column belongs to hart5.pv
        const auto& current = run->columns[0];
        QCOMPARE(current.unit, QString("mA"));
        QCOMPARE(current.values, 2);
        QCOMPARE(current.missed, 1);
        QCOMPARE(*current.least, 4.0);
        QCOMPARE(*current.greatest, 12.5);
        QCOMPARE(*current.last, 4.0);
        QCOMPARE(current.hartAddress(), std::optional<int>(5));
        QCOMPARE(run->columns[1].unit, QString("m")); // the last unit named
        QVERIFY(run->columns[2].text);
        QCOMPARE(run->columns[2].lastText, QString("success"));
        QCOMPARE(run->columns[3].slot(), std::optional<int>(2));
        QCOMPARE(run->columns[3].missed, 1);

        const struct {
            const char* csv;
            const char* problem;
        } bad[] = {
            {"", "line 1"},
            {"value,time\n1,2\n", "line 1"},
            {"time,a\n2026-12-10T09:00:00.000Z,1,2\n", "line 2: not a cycle of this run (3 fields, not 2)"},
            {"time,a\nyesterday,1\n", "line 2: not a cycle of this run (no time)"},
            {"time,a\n2026-12-10T09:00:00.000Z,\"1\n", "a quoted field is not closed"},
            {"time,a\n", "no cycle was recorded"},
        };
        for (const auto& b : bad) {
            QStringList why;
            QVERIFY2(!LiveSummary::parse(b.csv, why), b.csv);
            QVERIFY2(why.join(' ').contains(b.problem), qPrintable(why.join(' ')));
        }
    }

    void htmlEscapesAndParses()
    {
        Report::Content c = plantReport();
        c.instruments[0].snapshot["tag"] = "<b>&amp;\x1b[2J";
        c.converter = "VK742-B <V6>";
        c.map.source.name = "a&b<c>.json";
        c.audit << AuditLog::Entry{QDateTime::currentDateTimeUtc(), "/dev/ttyUSB0", 0, "000001", "tag",
                                   "FT-101", "<script>", "written and read back"};
        const QString html = ReportHtml::document(c);
        QVERIFY(!html.contains("<b>&amp;"));
        QVERIFY(html.contains("&lt;b&gt;&amp;amp;\\x1b[2J"));
        QVERIFY(html.contains("VK742-B &lt;V6&gt;"));
        QVERIFY(html.contains("a&amp;b&lt;c&gt;.json"));
        QVERIFY(html.contains("&lt;script&gt;"));
        QVERIFY(!html.contains("<script>"));
        // The slave address, each tag, the register rows, the live run.
        QVERIFY(html.contains("<tr><th>Slave address</th>") || html.contains("<td>Slave address</td><td>17</td>"));
        QVERIFY(html.contains("LT-505"));
        QVERIFY(html.contains("<td>40049</td>"));
        QVERIFY(html.contains("hart5.pv"));
        for (const auto& s : ReportHtml::sections(c)) QVERIFY(html.contains("<a href=\"#" + s.id + "\">"));

        QCOMPARE(xmlProblem(html), QString());
        const auto lint = lintProblem(html);
        if (!lint) QSKIP("xmllint is not installed");
        QCOMPARE(*lint, QString());
    }

    void pdfReadsBackWithPagesAndContents()
    {
        const Report::Content c = plantReport();
        const ReportPdf::Pdf pdf = ReportPdf::render(c);
        QVERIFY(pdf.bytes.startsWith("%PDF-"));
        QTemporaryDir dir;
        const QString path = dir.filePath("report.pdf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pdf.bytes) == pdf.bytes.size());
        file.close();
        const QString info = pdfTool("pdfinfo", {path});
        if (info.isEmpty()) QSKIP("pdfinfo is not installed");
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pdf.pages))), qPrintable(info));
        QVERIFY(info.contains(QRegularExpression("Title:\\s+Commissioning report")));
        QVERIFY2(pdf.pages > 2, "the test report is meant to run past two pages");

        const QString text = pdfText(path);
        for (const char* expected : {"Commissioning report", "Slave address 17", "FT-101", "LT-505", "40049 48 4 variable_4 4 Toshiba 1 float32 CDAB 0000 42C8",
                                     "Board serial number", "Engineer", VK742B_VERSION})
            QVERIFY2(text.contains(expected), expected);
        QVERIFY(text.contains(QStringLiteral("Page %1 of %1").arg(pdf.pages)));

        // The contents give each section the page it starts on.
        QVERIFY(text.contains("Contents"));
        const auto sections = ReportHtml::sections(c);
        QCOMPARE(sections.size(), size_t(5));
        const QString firstPage = pdfText(path, 1, 1);
        for (const auto& s : sections) {
            const auto m = QRegularExpression(QRegularExpression::escape(s.title) + " (\\d+)").match(firstPage);
            QVERIFY2(m.hasMatch(), qPrintable(s.title));
            const QString page = m.captured(1);
            const QString onPage = pdfText(path, page.toInt(), page.toInt());
            // On its page the title stands by itself, not only in the contents.
            QVERIFY2(onPage.count(s.title) >= (page == "1" ? 2 : 1), qPrintable(s.title + " on page " + page));
        }

        // A report of two pages or less has none: the converter's own settings alone.
        Profile converterOnly;
        for (const auto& [key, value] : mapProfile().values)
            if (key.startsWith("system.")) converterOnly.values[key] = value;
        Report::Content shortOne;
        Report::settle(shortOne, converterOnly, {RegisterMap::Source::Window, {}, QDateTime::currentDateTime()});
        const ReportPdf::Pdf small = ReportPdf::render(shortOne);
        QVERIFY(small.pages <= 2);
        QFile smallFile(dir.filePath("short.pdf"));
        QVERIFY(smallFile.open(QIODevice::WriteOnly));
        smallFile.write(small.bytes);
        smallFile.close();
        QVERIFY(!pdfText(smallFile.fileName()).contains("Contents"));
    }
};

QTEST_MAIN(TestReport)
#include "test_report.moc"
