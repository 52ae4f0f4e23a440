#include "regmap/RegisterMapText.h"

#include "tools/TerminalText.h"

namespace RegisterMapText {
namespace {

using RegisterMap::Map;
using RegisterMap::Row;

QString safe(const QString& text) { return TerminalText::escaped(text); }

QString csvCell(const QString& text)
{
    QString cell = safe(text);
    if (cell.contains(u',') || cell.contains(u'"')) cell = u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return cell;
}

// Markdown passes HTML through and reads a few characters as markup; in a table cell, a
// bar ends the cell.
QString markdownCell(const QString& text)
{
    QString out;
    for (QChar c : safe(text)) {
        if (c == u'&') out += QStringLiteral("&amp;");
        else if (c == u'<') out += QStringLiteral("&lt;");
        else if (c == u'>') out += QStringLiteral("&gt;");
        else if (QStringLiteral("\\|`*_[]#").contains(c)) out += QStringLiteral("\\") + c;
        else out += c;
    }
    return out;
}

QString htmlText(const QString& text) { return safe(text).toHtmlEscaped(); }

QString when(const QDateTime& at) { return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")); }

QString portFacts(const RegisterMap::Port& port)
{
    const auto shown = [](const QString& v) { return v.isEmpty() ? QStringLiteral("not known") : v; };
    return QStringLiteral("%1 baud, parity %2, base address %3")
        .arg(shown(port.baud), shown(port.parity), shown(port.baseAddress));
}

QString sourceSentence(const RegisterMap::Source& source)
{
    switch (source.kind) {
    case RegisterMap::Source::ProfileFile:
        return QStringLiteral("From the profile %1, as the file holds it; not read from the converter.").arg(source.name);
    case RegisterMap::Source::Converter:
        return QStringLiteral("Read from the converter on %1 at %2.").arg(source.name, when(source.at));
    case RegisterMap::Source::Window:
        return QStringLiteral("From the window's settings at %1, as the pages show them; not read back from the "
                              "converter.")
            .arg(when(source.at));
    }
    return {};
}

QString slotList(const std::vector<int>& numbers)
{
    QStringList list;
    for (int s : numbers) list << QString::number(s);
    return list.join(QStringLiteral(", "));
}

} // namespace

const QStringList& columns()
{
    static const QStringList list{"register", "address",    "count", "function", "slot", "value",      "polling_address",
                                  "meter_type", "tag",      "unit",  "format",   "type", "word_order", "example"};
    return list;
}

QStringList cells(const Row& row)
{
    return {QString::number(row.holdingRegister()),
            QString::number(row.address()),
            QString::number(Row::count),
            QString::number(Row::function),
            QString::number(row.slot),
            row.valueName(),
            row.pollingAddress ? QString::number(*row.pollingAddress) : QString(),
            row.enabled ? row.meterType : row.meterType + QStringLiteral(" (disabled)"),
            row.tag,
            row.unit,
            QString::number(row.format),
            row.type(),
            row.wordOrder(),
            row.example()};
}

std::vector<std::pair<QString, QString>> facts(const Map& map)
{
    const auto shown = [](const QString& v) { return v.isEmpty() ? QStringLiteral("not known") : v; };
    return {{QStringLiteral("Slave address"), shown(map.header.slaveAddress)},
            {QStringLiteral("Working mode"), shown(map.header.workingMode)},
            {QStringLiteral("RS232/RS485A"), portFacts(map.header.rs232Rs485a)},
            {QStringLiteral("RS485B"), portFacts(map.header.rs485b)}};
}

QStringList notes(const Map& map)
{
    QStringList out{sourceSentence(map.source)};
    out << QStringLiteral("Registers are in 4xxxx notation from 40001; the address is the 0-based one a MODBUS "
                          "request carries. Each value takes two registers, read with function 3. The example is "
                          "the two words that carry 100.");
    for (const auto& [name, port] : {std::pair{"RS232/RS485A", &map.header.rs232Rs485a},
                                     std::pair{"RS485B", &map.header.rs485b}}) {
        const QString base = port->baseAddress;
        if (!base.isEmpty() && base.toLongLong() != 0)
            out << QStringLiteral("The %1 data base address is %2: the converter may offset the registers by it on "
                                  "that port.")
                       .arg(QLatin1String(name), base);
    }
    if (!map.header.workingMode.isEmpty() && !map.publishesSlots())
        out << QStringLiteral("The working mode is %1: the converter publishes these registers in single meter and "
                              "multi-slave modes only.")
                   .arg(map.header.workingMode);
    if (!map.unknownSlots.empty())
        out << QStringLiteral("Not mapped, their settings not known here: slot %1. Read the converter to map every "
                              "slot.")
                   .arg(slotList(map.unknownSlots));
    if (map.rows.empty()) out << QStringLiteral("No slot is enabled.");
    return out;
}

QString csv(const Map& map)
{
    QString out = columns().join(u',') + u'\n';
    for (const Row& row : map.rows) {
        QStringList line;
        for (const QString& cell : cells(row)) line << csvCell(cell);
        out += line.join(u',') + u'\n';
    }
    return out;
}

QString markdown(const Map& map)
{
    QString out = QStringLiteral("# Register map\n\n| Converter | |\n|---|---|\n");
    for (const auto& [name, value] : facts(map)) out += QStringLiteral("| %1 | %2 |\n").arg(name, markdownCell(value));
    out += u'\n';
    for (const QString& note : notes(map)) out += markdownCell(note) + QStringLiteral("\n\n");
    out += u'|' + columns().join(u'|') + QStringLiteral("|\n|");
    for (qsizetype i = 0; i < columns().size(); ++i) out += QStringLiteral("---|");
    out += u'\n';
    for (const Row& row : map.rows) {
        QStringList line;
        for (const QString& cell : cells(row)) line << markdownCell(cell);
        out += u'|' + line.join(u'|') + QStringLiteral("|\n");
    }
    return out;
}

QString htmlTable(const Map& map)
{
    QString out = QStringLiteral("<table class=\"registers\">\n<thead><tr>");
    for (const QString& c : columns()) out += QStringLiteral("<th>%1</th>").arg(c);
    out += QStringLiteral("</tr></thead>\n<tbody>\n");
    for (const Row& row : map.rows) {
        out += row.enabled ? QStringLiteral("<tr>") : QStringLiteral("<tr class=\"disabled\">");
        for (const QString& cell : cells(row)) out += QStringLiteral("<td>%1</td>").arg(htmlText(cell));
        out += QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</tbody>\n</table>\n");
}

QString html(const Map& map)
{
    QString out = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>Register map</title>\n"
        "<style>\nbody { font-family: sans-serif; }\ntable { border-collapse: collapse; margin-bottom: 1em; }\n"
        "th, td { border: 1px solid #999; padding: 2px 6px; text-align: left; }\n"
        "tr.disabled { color: #777; }\n</style>\n</head>\n<body>\n<h1>Register map</h1>\n<table class=\"facts\">\n");
    for (const auto& [name, value] : facts(map))
        out += QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(name, htmlText(value));
    out += QStringLiteral("</table>\n");
    for (const QString& note : notes(map)) out += QStringLiteral("<p>%1</p>\n").arg(htmlText(note));
    return out + htmlTable(map) + QStringLiteral("</body>\n</html>\n");
}

QString formatForFile(const QString& name)
{
    const QString lower = name.toLower();
    if (lower.endsWith(u".md") || lower.endsWith(u".markdown")) return QStringLiteral("md");
    if (lower.endsWith(u".html") || lower.endsWith(u".htm")) return QStringLiteral("html");
    return QStringLiteral("csv");
}

QString render(const Map& map, const QString& format)
{
    if (format == u"csv") return csv(map);
    if (format == u"md") return markdown(map);
    if (format == u"html") return html(map);
    return {};
}

} // namespace RegisterMapText
