#include "tools/Counted.h"

QString counted(qint64 n, const QString& noun, const QString& plural)
{
    const QString word = n == 1 ? noun : plural.isEmpty() ? noun + u's' : plural;
    return QString::number(n) + u' ' + word;
}
