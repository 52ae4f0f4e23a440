#pragma once

#include "regmap/RegisterMap.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// A register map as text. Every text that came from a file or a converter (tags, units,
// file and port names) has its control characters shown as escapes (TerminalText), so
// each output is also safe to print on a terminal, and is escaped for its format.
namespace RegisterMapText {

// The columns, in the CSV's first line and the tables' heads.
const QStringList& columns();
// A row's cells, as plain text in the columns' order. A disabled slot's row says so after
// its meter type: "Toshiba (disabled)".
QStringList cells(const RegisterMap::Row& row);

// The converter's settings the map depends on: ("Slave address", "17"), ...
std::vector<std::pair<QString, QString>> facts(const RegisterMap::Map& map);
// Sentences under the facts: where the settings came from, base address offsets, a working
// mode that publishes no slot registers, slots the document said too little about.
QStringList notes(const RegisterMap::Map& map);

// The rows only, under the columns' line; RFC 4180 quoting where a cell needs it.
QString csv(const RegisterMap::Map& map);
// A Markdown document: title, facts, notes, then the rows as a table.
QString markdown(const RegisterMap::Map& map);
// A whole HTML5 document with the same content; also well-formed XML.
QString html(const RegisterMap::Map& map);
// The rows as an HTML table alone, for a document that embeds the map.
QString htmlTable(const RegisterMap::Map& map);

// The format a file's name asks for by its ending: "md" (.md, .markdown), "html" (.html,
// .htm), else "csv".
QString formatForFile(const QString& name);

// The output for a format name: "csv", "md" or "html"; empty for another name.
QString render(const RegisterMap::Map& map, const QString& format);

} // namespace RegisterMapText
