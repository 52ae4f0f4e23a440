#include "files/FileNames.h"

namespace FileNames {

QString reason(int error)
{
    return qt_error_string(error);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    if (slash == 0) return QByteArrayLiteral("/");
    return path.left(slash);
}

} // namespace FileNames
