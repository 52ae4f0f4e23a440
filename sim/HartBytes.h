#pragma once

#include <QByteArray>
#include <cstdint>

// How HART data fields are written: big-endian IEEE 754 singles and six-bit packed
// characters, four to every three bytes.

// Appends a float as HART sends it: IEEE 754 single, most significant byte first.
void appendFloat(QByteArray& out, float value);

// The single at `at` in `bytes` (four bytes must be there).
float floatAt(const QByteArray& bytes, qsizetype at);

// Text in six-bit packed characters, four to every three bytes, padded with blanks to
// `characters` (a multiple of four). Lower case is sent as upper case.
QByteArray packAscii(const QByteArray& text, int characters);

// Packed characters back to text, trailing blanks removed.
QByteArray unpackAscii(const QByteArray& packed);

// Whether every character of `text` has a packed code (blank to underscore, letters of
// either case); the first one that has none is put in `bad`.
bool packable(const QByteArray& text, char* bad = nullptr);
