#include "report/LiveSummary.h"

#include "files/ReadFile.h"
#include "tools/TerminalText.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>

namespace LiveSummary {
namespace {

// The records of a CSV: fields split at commas outside quotes, "" inside quotes for one
// quote, records ended by a line break outside quotes. Nothing when a quote is left open.
std::optional<std::vector<QStringList>> records(const QString& text)
{
    std::vector<QStringList> out;
    QStringList record;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') field += c;
            else if (i + 1 < text.size() && text[i + 1] == u'"') field += text[++i];
            else quoted = false;
            continue;
        }
        if (c == u'"') {
            quoted = any = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            any = true;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            if (any || !field.isEmpty()) out.push_back(record << field);
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (quoted) return std::nullopt;
    if (any || !field.isEmpty()) out.push_back(record << field);
    return out;
}

std::optional<int> numberAfter(const QString& key, QLatin1StringView prefix)
{
    static const QRegularExpression pattern(QStringLiteral("^([a-z]+)(\\d{1,3})\\."));
    const auto match = pattern.match(key);
    if (!match.hasMatch() || match.captured(1) != prefix) return std::nullopt;
    return match.captured(2).toInt();
}

} // namespace

std::optional<int> Column::hartAddress() const { return numberAfter(key, QLatin1StringView("hart")); }
std::optional<int> Column::slot() const { return numberAfter(key, QLatin1StringView("slot")); }

std::optional<Run> parse(const QByteArray& csv, QStringList& problems)
{
    const auto rows = records(QString::fromUtf8(csv));
    if (!rows) {
        problems << QStringLiteral("a quoted field is not closed");
        return std::nullopt;
    }
    if (rows->empty() || rows->front().value(0) != u"time" || rows->front().size() < 2) {
        problems << QStringLiteral("line 1: a recorded run starts with \"time\" and its columns");
        return std::nullopt;
    }
    const QStringList& header = rows->front();
    static const QRegularExpression named(QStringLiteral("^([^\\[]+)(?:\\[(.*)\\])?$"));

    Run run;
    // Each header cell is a column of its own, or the unit of the column before it
    // ("hart0.pv_unit" beside "hart0.pv").
    std::vector<int> columnOf(size_t(header.size()), -1);
    std::vector<bool> isUnit(size_t(header.size()), false);
    std::map<QString, int> byKey;
    for (qsizetype c = 1; c < header.size(); ++c) {
        const auto match = named.match(header[c]);
        const QString key = match.hasMatch() ? match.captured(1) : header[c];
        if (key.endsWith(u"_unit")) {
            const auto owner = byKey.find(key.chopped(5));
            if (owner != byKey.end()) {
                columnOf[size_t(c)] = owner->second;
                isUnit[size_t(c)] = true;
                continue;
            }
        }
        columnOf[size_t(c)] = int(run.columns.size());
        byKey[key] = int(run.columns.size());
        Column column;
        column.key = key;
        column.unit = match.hasMatch() ? match.captured(2) : QString();
        run.columns.push_back(column);
    }

    for (size_t r = 1; r < rows->size(); ++r) {
        const QStringList& row = (*rows)[r];
        const QDateTime time = QDateTime::fromString(row.value(0), Qt::ISODateWithMs);
        if (!time.isValid() || row.size() != header.size()) {
            problems << QStringLiteral("line %1: not a cycle of this run (%2)")
                            .arg(r + 1)
                            .arg(time.isValid() ? QStringLiteral("%1 fields, not %2").arg(row.size()).arg(header.size())
                                                : QStringLiteral("no time"));
            return std::nullopt;
        }
        if (!run.first.isValid()) run.first = time;
        run.last = time;
        ++run.cycles;
        for (qsizetype c = 1; c < row.size(); ++c) {
            Column& column = run.columns[size_t(columnOf[size_t(c)])];
            const QString& cell = row[c];
            if (isUnit[size_t(c)]) {
                if (!cell.isEmpty()) column.unit = cell;
                continue;
            }
            if (cell.isEmpty()) {
                ++column.missed;
                continue;
            }
            ++column.values;
            bool number = false;
            const double v = cell.toDouble(&number);
            if (!number) {
                column.text = true;
                column.lastText = cell;
                continue;
            }
            column.least = column.least ? std::min(*column.least, v) : v;
            column.greatest = column.greatest ? std::max(*column.greatest, v) : v;
            column.last = v;
        }
    }
    if (run.cycles == 0) {
        problems << QStringLiteral("no cycle was recorded: the file holds its header only");
        return std::nullopt;
    }
    return run;
}

std::optional<Run> load(const QByteArray& path, QString& problem)
{
    const ReadFile::Result file = ReadFile::read(path, kFileLimit);
    if (!file.ok()) {
        problem = file.error;
        return std::nullopt;
    }
    QStringList problems;
    auto run = parse(file.bytes, problems);
    if (!run)
        problem = QStringLiteral("%1 is not a recorded live run: %2")
                      .arg(TerminalText::fileName(path), TerminalText::escaped(problems.join(QStringLiteral("; "))));
    return run;
}

} // namespace LiveSummary
