#include "report/ReportHtml.h"

#include "instrument/InstrumentGroups.h"
#include "regmap/RegisterMapText.h"
#include "report/SettingsTables.h"
#include "tools/TerminalText.h"

#include <QStringList>
#include <algorithm>

namespace ReportHtml {
namespace {

// At most this many audit entries per instrument; the log keeps the rest.
constexpr int kAuditRows = 30;

QString esc(const QString& text) { return TerminalText::escaped(text).toHtmlEscaped(); }

QString when(const QDateTime& at) { return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")); }

QString number(const std::optional<double>& v) { return v ? QString::number(*v, 'g', 8) : QStringLiteral("-"); }

// A space to write in by hand on the printed page.
const QString kFillIn = QStringLiteral("<span class=\"fill\">________________________________</span>");

const char* const kStyle =
    "body { font-family: 'DejaVu Sans', sans-serif; font-size: 9pt; }\n"
    "h1 { font-size: 18pt; margin-bottom: 2pt; }\n"
    "h2 { font-size: 13pt; margin-top: 16pt; }\n"
    "h3 { font-size: 10pt; margin-top: 10pt; }\n"
    "table { border-collapse: collapse; margin-bottom: 6pt; }\n"
    "th, td { border: 1px solid #999999; padding: 2px 5px; text-align: left; vertical-align: top; }\n"
    "th { background-color: #eeeeee; }\n"
    "table.registers { font-size: 7pt; width: 100%; }\n"
    "table.wide { width: 100%; font-size: 8pt; }\n"
    "p.subtitle { font-size: 11pt; margin-top: 0; }\n"
    "p.note { color: #333333; }\n";

// A table from already escaped cells; the first row is the head.
QString table(const std::vector<QStringList>& rows, const QString& cls = {})
{
    QString out = cls.isEmpty() ? QStringLiteral("<table>\n") : QStringLiteral("<table class=\"%1\">\n").arg(cls);
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r == 0) out += QStringLiteral("<thead>");
        if (r == 1) out += QStringLiteral("<tbody>\n");
        out += QStringLiteral("<tr>");
        for (const QString& cell : rows[r]) out += (r == 0 ? QStringLiteral("<th>%1</th>") : QStringLiteral("<td>%1</td>")).arg(cell);
        out += QStringLiteral("</tr>");
        out += r == 0 ? QStringLiteral("</thead>\n") : QStringLiteral("\n");
    }
    if (rows.size() > 1) out += QStringLiteral("</tbody>\n");
    return out + QStringLiteral("</table>\n");
}

QStringList escaped(const QStringList& cells)
{
    QStringList out;
    for (const QString& c : cells) out << esc(c);
    return out;
}

QString instrumentTitle(const QJsonObject& snapshot)
{
    const auto address = Report::pollingAddress(snapshot);
    const QString tag = snapshot.value(u"tag").toString();
    QString title = address ? QStringLiteral("Instrument at polling address %1").arg(*address)
                            : QStringLiteral("Instrument");
    return tag.isEmpty() ? title : title + QStringLiteral(": ") + tag;
}

QString sourceText(const Report::Content& c)
{
    switch (c.map.source.kind) {
    case RegisterMap::Source::ProfileFile:
        return QStringLiteral("the profile file %1, as the file holds them; not read from the converter")
            .arg(esc(c.map.source.name));
    case RegisterMap::Source::Converter:
        return QStringLiteral("the converter on %1, read at %2").arg(esc(c.map.source.name), when(c.map.source.at));
    case RegisterMap::Source::Window:
        return QStringLiteral("the window's pages at %1; not read back from the converter").arg(when(c.map.source.at));
    }
    return {};
}

QString titleBlock(const Report::Content& c)
{
    const QString converter = !c.converter.isEmpty() ? esc(c.converter)
                              : c.map.source.kind == RegisterMap::Source::Converter
                                  ? QStringLiteral("did not answer the link check")
                                  : QStringLiteral("not asked: this report was not read from the converter");
    const std::vector<QStringList> rows{
        {QStringLiteral("Converter"), converter},
        {QStringLiteral("Board serial number"), kFillIn},
        {QStringLiteral("Settings from"), sourceText(c)},
        {QStringLiteral("Report made"), when(c.madeAt)},
        {QStringLiteral("Made with"), QStringLiteral("vk742b-config %1").arg(esc(c.toolVersion))},
        {QStringLiteral("Engineer"), kFillIn},
        {QStringLiteral("Signature and date"), kFillIn},
    };
    QString out = QStringLiteral("<h1>Commissioning report</h1>\n<p class=\"subtitle\">VK742-B HART to MODBUS RTU "
                                 "converter</p>\n<table class=\"title\">\n<tbody>\n");
    for (const QStringList& row : rows) out += QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(row[0], row[1]);
    return out + QStringLiteral("</tbody>\n</table>\n");
}

QString contentsBlock(const std::vector<Section>& list, const Contents& contents)
{
    if (contents.kind == Contents::None) return {};
    QString out = QStringLiteral("<p><b>Contents</b></p>\n");
    if (contents.kind == Contents::Links) {
        out += QStringLiteral("<ul>\n");
        for (const Section& s : list)
            out += QStringLiteral("<li><a href=\"#%1\">%2</a></li>\n").arg(s.id, esc(s.title));
        return out + QStringLiteral("</ul>\n");
    }
    out += QStringLiteral("<table class=\"contents\">\n<tbody>\n");
    for (const Section& s : list) {
        const auto page = contents.pageOf.find(s.id);
        out += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n")
                   .arg(esc(s.title), page == contents.pageOf.end() ? QString() : QString::number(page->second));
    }
    return out + QStringLiteral("</tbody>\n</table>\n");
}

QString heading(const Section& s) { return QStringLiteral("<h2 id=\"%1\">%2</h2>\n").arg(s.id, esc(s.title)); }

QString settingsSection(const Report::Content& c)
{
    QString out;
    for (const SettingsTables::Table& t : SettingsTables::tables(c.profile)) {
        std::vector<QStringList> rows{escaped(t.columns)};
        for (const QStringList& r : t.rows) rows.push_back(escaped(r));
        // The slots' and commands' tables take the page's width, so their values keep a line each.
        const QString cls = t.columns.size() > 2 ? QStringLiteral("settings wide") : QStringLiteral("settings");
        out += QStringLiteral("<h3>%1</h3>\n").arg(esc(t.title)) + table(rows, cls);
    }
    return out;
}

// The map's rows for paper: the count and function are the same in every row and the notes
// say them, so the other columns get the page's width; the heads wrap at their words.
QString registerTable(const RegisterMap::Map& map)
{
    const QStringList& columns = RegisterMapText::columns();
    const qsizetype count = columns.indexOf(u"count"), function = columns.indexOf(u"function");
    const auto printed = [&](const QStringList& cells) {
        QStringList out;
        for (qsizetype i = 0; i < cells.size(); ++i)
            if (i != count && i != function) out << cells[i];
        return out;
    };
    QStringList head = printed(columns);
    for (QString& h : head) h.replace(u'_', u' ');
    std::vector<QStringList> rows{head};
    for (const RegisterMap::Row& row : map.rows) rows.push_back(escaped(printed(RegisterMapText::cells(row))));
    return table(rows, QStringLiteral("registers"));
}

QString mapSection(const Report::Content& c)
{
    std::vector<QStringList> facts{{QStringLiteral("Converter"), QString()}};
    for (const auto& [name, value] : RegisterMapText::facts(c.map)) facts.push_back({esc(name), esc(value)});
    QString out = table(facts, QStringLiteral("facts"));
    for (const QString& note : RegisterMapText::notes(c.map)) out += QStringLiteral("<p class=\"note\">%1</p>\n").arg(esc(note));
    return out + registerTable(c.map);
}

// The live columns that read the instrument at `address`: its HART values, and the
// registers of the slot that polls it.
std::vector<const LiveSummary::Column*> liveColumnsOf(const Report::Content& c, int address)
{
    std::vector<const LiveSummary::Column*> out;
    if (!c.live) return out;
    std::vector<int> slotsPolling;
    for (const RegisterMap::Row& row : c.map.rows)
        if (row.pollingAddress == address && (slotsPolling.empty() || slotsPolling.back() != row.slot))
            slotsPolling.push_back(row.slot);
    for (const LiveSummary::Column& column : c.live->columns) {
        const auto slot = column.slot();
        if (column.hartAddress() == address || (slot && std::find(slotsPolling.begin(), slotsPolling.end(), *slot) != slotsPolling.end()))
            out.push_back(&column);
    }
    return out;
}

QString liveTable(const std::vector<const LiveSummary::Column*>& columns)
{
    std::vector<QStringList> rows{{"Value", "Unit", "Values", "Missed", "Least", "Greatest", "Last"}};
    for (const LiveSummary::Column* col : columns)
        rows.push_back({esc(col->key), esc(col->unit), QString::number(col->values), QString::number(col->missed),
                        col->text ? QStringLiteral("-") : number(col->least),
                        col->text ? QStringLiteral("-") : number(col->greatest),
                        col->text ? esc(col->lastText) : number(col->last)});
    return table(rows, QStringLiteral("live"));
}

QString auditTable(const Report::Content& c, const QString& deviceId)
{
    std::vector<QStringList> rows{{"Time", "Setting", "Old value", "New value", "Outcome"}};
    QList<const AuditLog::Entry*> mine;
    for (const AuditLog::Entry& e : c.audit)
        if (!deviceId.isEmpty() && e.deviceId.compare(deviceId, Qt::CaseInsensitive) == 0) mine << &e;
    if (mine.isEmpty()) return {};
    const qsizetype from = std::max<qsizetype>(0, mine.size() - kAuditRows);
    for (qsizetype i = from; i < mine.size(); ++i) {
        const AuditLog::Entry& e = *mine[i];
        rows.push_back({when(e.at.toLocalTime()), esc(e.setting), esc(e.old), esc(e.now), esc(e.outcome)});
    }
    QString out = QStringLiteral("<h3>Writes and loop tests recorded</h3>\n");
    if (from > 0)
        out += QStringLiteral("<p class=\"note\">The last %1 of %2 entries; the audit log %3 holds them all.</p>\n")
                   .arg(kAuditRows)
                   .arg(mine.size())
                   .arg(esc(c.auditFile));
    return out + table(rows, QStringLiteral("audit"));
}

QString instrumentSection(const Report::Content& c, const Report::Instrument& i)
{
    const QJsonObject& s = i.snapshot;
    QString out = QStringLiteral("<p class=\"note\">Read %1, saved in %2.</p>\n")
                      .arg(esc(s.value(u"read_at").toString()), esc(i.file));
    out += QStringLiteral("<table class=\"instrument\">\n<tbody>\n");
    for (const InstrumentGroups::Group& g : InstrumentGroups::groups(s)) {
        out += QStringLiteral("<tr><th colspan=\"2\">%1</th></tr>\n").arg(esc(g.title));
        for (const InstrumentGroups::Row& r : g.rows)
            out += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n").arg(esc(r.label), esc(r.value));
    }
    out += QStringLiteral("</tbody>\n</table>\n");
    out += auditTable(c, Report::deviceId(s));
    if (const auto address = Report::pollingAddress(s)) {
        const auto columns = liveColumnsOf(c, *address);
        if (!columns.empty())
            out += QStringLiteral("<h3>Live values recorded</h3>\n") + liveTable(columns);
    }
    return out;
}

QString liveSection(const Report::Content& c)
{
    const LiveSummary::Run& run = *c.live;
    std::vector<const LiveSummary::Column*> all;
    for (const LiveSummary::Column& column : run.columns) all.push_back(&column);
    return QStringLiteral("<p class=\"note\">%1: %2 cycles from %3 to %4 (UTC).</p>\n")
               .arg(esc(c.liveFile))
               .arg(run.cycles)
               .arg(run.first.toUTC().toString(Qt::ISODate), run.last.toUTC().toString(Qt::ISODate)) +
           liveTable(all);
}

} // namespace

std::vector<Section> sections(const Report::Content& c)
{
    std::vector<Section> out{{QStringLiteral("settings"), QStringLiteral("Converter settings")},
                             {QStringLiteral("register-map"), QStringLiteral("Register map")}};
    for (size_t i = 0; i < c.instruments.size(); ++i)
        out.push_back({QStringLiteral("instrument-%1").arg(i + 1), instrumentTitle(c.instruments[i].snapshot)});
    if (c.instruments.empty()) out.push_back({QStringLiteral("instruments"), QStringLiteral("Instruments")});
    if (c.live) out.push_back({QStringLiteral("live-run"), QStringLiteral("Live run")});
    for (size_t n = 0; n < out.size(); ++n) out[n].title = QStringLiteral("%1. %2").arg(n + 1).arg(out[n].title);
    return out;
}

QString document(const Report::Content& c, const Contents& contents)
{
    const std::vector<Section> list = sections(c);
    QString out = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
                                 "<title>Commissioning report</title>\n<style>\n%1</style>\n</head>\n<body>\n")
                      .arg(QLatin1String(kStyle));
    out += titleBlock(c) + contentsBlock(list, contents);
    size_t at = 0;
    out += heading(list[at++]) + settingsSection(c);
    out += heading(list[at++]) + mapSection(c);
    for (const Report::Instrument& i : c.instruments) out += heading(list[at++]) + instrumentSection(c, i);
    if (c.instruments.empty())
        out += heading(list[at++]) +
               QStringLiteral("<p class=\"note\">No instrument snapshot was given for this report.</p>\n");
    if (c.live) out += heading(list[at++]) + liveSection(c);
    return out + QStringLiteral("</body>\n</html>\n");
}

} // namespace ReportHtml
