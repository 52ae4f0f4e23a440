#include "ui/instrument/AsFoundName.h"

#include <algorithm>

namespace AsFoundName {
namespace {

bool fitsFileName(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.' || c == u'+' || c == u'#';
}

// The text with every unfit character replaced; empty when nothing of it is left to read.
QString cleaned(const QString& text)
{
    QString out = text.trimmed();
    for (QChar& c : out)
        if (!fitsFileName(c)) c = u'_';
    // A leading dot would hide the file.
    for (QChar& c : out) {
        if (c != u'.') break;
        c = u'_';
    }
    const bool readable = std::any_of(out.begin(), out.end(), [](QChar c) { return c.isLetterOrNumber(); });
    return readable ? out : QString();
}

} // namespace

QString fileName(const QJsonObject& snapshot, const QDate& day)
{
    QString name = cleaned(snapshot.value("tag").toString());
    if (name.isEmpty()) name = cleaned(snapshot.value("long_tag").toString());
    if (name.isEmpty()) name = QStringLiteral("polling-address-%1").arg(snapshot.value("polling_address").toInt());
    return name + QStringLiteral("-as-found-") + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".json");
}

} // namespace AsFoundName
