#pragma once

#include <QByteArray>
#include <QString>

// Text from a file or a converter, made safe to print on a terminal: a control character
// could retitle or clear the terminal, or hide what follows it. Every control character
// is shown as an escape, and the backslash itself as "\\", so the shown text maps back to
// exactly one original:
//   - C0 controls and DEL as "\x1b", "\x07", "\x7f";
//   - C1 controls (U+0080 to U+009F) and lone surrogates as "\u009b";
//   - in bytes, each byte that is not part of valid UTF-8 as "\xe9".
// Everything else, including non-ASCII letters, is kept.
namespace TerminalText {

enum class Newlines {
    Escape, // "\x0a": the text stays on one line (keys, values, file names, replies)
    Keep,   // for text the caller means to print as several lines
};

QString escaped(const QString& text, Newlines newlines = Newlines::Escape);
// Bytes read as UTF-8, as a converter's reply or a file's contents.
QString escaped(const QByteArray& bytes, Newlines newlines = Newlines::Escape);
// A file name as the file system holds it: bytes, not necessarily valid UTF-8.
inline QString fileName(const QByteArray& path)
{
    return escaped(path);
}

} // namespace TerminalText
