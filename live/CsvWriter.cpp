#include "live/CsvWriter.h"

#include "files/FileNames.h"
#include "live/NumberText.h"

#include <QFile>
#include <QStringList>

QString CsvWriter::open(const QByteArray& path)
{
    close();
    if (path == "-") {
        name_ = QStringLiteral("standard output");
        file_.openStandardOutput();
        return {};
    }
    name_ = FileNames::shown(path);
    return file_.open(path);
}

QString CsvWriter::open(const QString& path) { return open(path == u"-" ? QByteArray("-") : QFile::encodeName(path)); }

void CsvWriter::close()
{
    file_.close();
    headerWritten_ = false;
}

QString CsvWriter::timeText(const QDateTime& time) { return time.toUTC().toString(Qt::ISODateWithMs); }

QString CsvWriter::field(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool CsvWriter::write(const std::vector<LiveColumn>& columns, const LiveRow& row)
{
    QString text;
    if (!headerWritten_) {
        QStringList header{QStringLiteral("time")};
        for (const LiveColumn& c : columns) {
            if (!c.unitPerReply) {
                header << field(c.header());
                continue;
            }
            header << field(c.key) << field(c.key + QStringLiteral("_unit"));
        }
        text = header.join(u',') + u'\n';
    }
    QStringList fields{timeText(row.time)};
    for (size_t i = 0; i < row.cells.size(); ++i) {
        const LiveCell& c = row.cells[i];
        fields << (c.number ? numberText(*c.number) : field(c.text));
        // The unit goes with the value it describes; a missed value has none.
        if (i < columns.size() && columns[i].unitPerReply) fields << (c.empty() ? QString() : field(columns[i].unit));
    }
    text += fields.join(u',') + u'\n';
    if (!file_.write(text.toUtf8())) return false;
    headerWritten_ = true;
    return true;
}
