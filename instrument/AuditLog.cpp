#include "instrument/AuditLog.h"

#include "files/FileNames.h"
#include "files/ReadFile.h"
#include "files/RecordFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

namespace AuditLog {
namespace {

QString field(QString text)
{
    return text.replace(u'\\', QStringLiteral("\\\\")).replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
}

// The inverse of field(). A backslash before anything else is kept as it stands.
QString unescaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c != u'\\' || (next != u'\\' && next != u't' && next != u'n' && next != u'r')) {
            out += c;
            continue;
        }
        out += next == u't' ? QChar(u'\t') : next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : QChar(u'\\');
        ++i;
    }
    return out;
}

constexpr int kFields = 8;

// The entry of one line without its line end, or why it is none.
std::optional<Entry> entryOf(const QByteArray& line, QString& why)
{
    const QStringList fields = QString::fromUtf8(line).split(u'\t');
    if (fields.size() != kFields) {
        why = QStringLiteral("%1 fields, not %2").arg(fields.size()).arg(kFields);
        return std::nullopt;
    }
    Entry e;
    e.at = QDateTime::fromString(fields[0], Qt::ISODate);
    if (!e.at.isValid()) {
        why = QStringLiteral("no readable time");
        return std::nullopt;
    }
    e.at = e.at.toUTC();
    bool ok = false;
    e.pollingAddress = fields[2].toInt(&ok);
    if (!ok) {
        why = QStringLiteral("no polling address");
        return std::nullopt;
    }
    e.port = unescaped(fields[1]);
    e.deviceId = unescaped(fields[3]);
    e.setting = unescaped(fields[4]);
    e.old = unescaped(fields[5]);
    e.now = unescaped(fields[6]);
    e.outcome = unescaped(fields[7]);
    return e;
}

} // namespace

QByteArray defaultPath()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QFile::encodeName(data + QStringLiteral("/vk742b/instrument-writes.log"));
}

QByteArray line(const Entry& e)
{
    const QStringList fields{e.at.toUTC().toString(Qt::ISODate), e.port, QString::number(e.pollingAddress), e.deviceId,
                             e.setting, e.old, e.now, e.outcome};
    QStringList escaped;
    for (const QString& f : fields) escaped << field(f);
    return escaped.join(u'\t').toUtf8() + '\n';
}

QString append(const QByteArray& path, const QList<Entry>& entries)
{
    const QString folder = QFileInfo(QFile::decodeName(path)).absolutePath();
    if (!QDir().mkpath(folder)) return QStringLiteral("cannot write %1: the folder cannot be made").arg(FileNames::shown(path));
    RecordFile file;
    if (const QString why = file.open(path, RecordFile::Opening::Append); !why.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(FileNames::shown(path), why);
    for (const Entry& e : entries)
        if (!file.write(line(e))) return QStringLiteral("cannot write %1: %2").arg(FileNames::shown(path), file.errorString());
    return {};
}


QList<Entry> parse(const QByteArray& text, QStringList& problems)
{
    QList<Entry> entries;
    qsizetype start = 0;
    for (int number = 1; start < text.size(); ++number) {
        const qsizetype end = text.indexOf('\n', start);
        if (end < 0) {
            problems << QStringLiteral("line %1: cut off before its line end").arg(number);
            break;
        }
        QByteArray line = text.mid(start, end - start);
        start = end + 1;
        if (line.endsWith('\r')) line.chop(1); // a raw carriage return is never written: the file went through an editor
        if (line.isEmpty()) continue;
        QString why;
        if (auto e = entryOf(line, why)) entries << *e;
        else problems << QStringLiteral("line %1: %2").arg(number).arg(why);
    }
    return entries;
}

QList<Entry> read(const QByteArray& path, QStringList& problems)
{
    const ReadFile::Result file = ReadFile::read(path, kReadLimit);
    if (!file.ok()) {
        problems << file.error;
        return {};
    }
    return parse(file.bytes, problems);
}

} // namespace AuditLog
