#include "live/CsvWriter.h"

#include "live/NumberText.h"

#include <QStringList>
#include <cstdio>

QString CsvWriter::open(const QString& path)
{
    close();
    const bool ok = path == u"-" ? file_.open(stdout, QIODevice::WriteOnly)
                                 : (file_.setFileName(path), file_.open(QIODevice::WriteOnly | QIODevice::Truncate));
    return ok ? QString() : file_.errorString();
}

void CsvWriter::close()
{
    if (file_.isOpen()) file_.close();
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
        for (const LiveColumn& c : columns) header << field(c.header());
        text = header.join(u',') + u'\n';
    }
    QStringList fields{timeText(row.time)};
    for (const LiveCell& c : row.cells) fields << (c.number ? numberText(*c.number) : field(c.text));
    text += fields.join(u',') + u'\n';
    const QByteArray bytes = text.toUtf8();
    if (file_.write(bytes) != bytes.size() || !file_.flush()) return false;
    headerWritten_ = true;
    return true;
}
