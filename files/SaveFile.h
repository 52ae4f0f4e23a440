#pragma once

#include <QByteArray>
#include <QString>

// Saving a whole file so that it is either complete or not changed at all. Paths are the
// file system's own bytes (QFile::encodeName of a chosen name, or argv as given), so a name
// that is not valid UTF-8 is saved under exactly that name.
//
// Messages name the file as TerminalText::fileName shows it and are safe to print as
// they are: "cannot write old.json: No space left on device".
namespace SaveFile {

// Writes `bytes` to a new file in the target's folder, syncs it to the disk and only then
// renames it over the target. Empty when saved; else the message, and the target, if it
// existed, still holds exactly what it held. A symbolic link is followed, so the file it
// points to is replaced and the link stays; an existing file keeps its permissions.
[[nodiscard]] QString save(const QByteArray& path, const QByteArray& bytes);

// Whether a file could be made at `path`: its folder exists, is a folder, and may be
// written. Empty when it can; else the message. For a check before a long run, so that
// it does not fail only at its end; the save itself still reports its own failures.
[[nodiscard]] QString checkFolder(const QByteArray& path);

} // namespace SaveFile
