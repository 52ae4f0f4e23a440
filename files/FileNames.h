#pragma once

#include "tools/TerminalText.h"

#include <QByteArray>
#include <QString>

// What the file functions' messages share: names shown safely, reasons as the system
// gives them, and a path's folder.
namespace FileNames {

inline QString shown(const QByteArray& path)
{
    return TerminalText::fileName(path);
}

// The system's text for an errno value: "No space left on device".
QString reason(int error);

// "a/b/c.json" gives "a/b", "c.json" gives ".", "/c.json" gives "/".
QByteArray folderOf(const QByteArray& path);

} // namespace FileNames
