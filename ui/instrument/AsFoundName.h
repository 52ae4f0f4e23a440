#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>

// The name "Save As Found…" offers for a snapshot: the instrument's tag and the day,
// "PT-201-as-found-2026-12-10.json". A character that could not stand in a file name (a
// folder separator, a character some file systems refuse, a control character, a space)
// becomes "_"; without a tag the long tag, then the polling address, name it.
namespace AsFoundName {

QString fileName(const QJsonObject& snapshot, const QDate& day);

} // namespace AsFoundName
