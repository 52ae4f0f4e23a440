#pragma once

#include <QString>
#include <QStringList>

// The runs report in lower-case phrases ("the instrument left fixed current mode"), as the
// command line prints them; the window shows them as sentences, a line each.
inline QString asSentence(const QString& phrase)
{
    if (phrase.isEmpty()) return phrase;
    QString s = phrase.left(1).toUpper() + phrase.mid(1);
    if (!s.endsWith(u'.') && !s.endsWith(u'?') && !s.endsWith(u'!')) s += u'.';
    return s;
}

inline QString asSentences(const QStringList& phrases)
{
    QStringList out;
    for (const QString& p : phrases) out << asSentence(p);
    return out.join(u'\n');
}
