#include "instrument/AuditLog.h"

#include "files/FileNames.h"
#include "files/RecordFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace AuditLog {
namespace {

QString field(QString text)
{
    return text.replace(u'\\', QStringLiteral("\\\\")).replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
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

} // namespace AuditLog
