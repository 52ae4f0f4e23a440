#pragma once

// Properties every reply decoder keeps, and lookups for the round trips.
#include "exchange/FieldUpdate.h"
#include "fuzz/FuzzInput.h"

namespace fuzz {

// Texts are cut from the reply, so each is a piece of it; a conversion error names the
// characters it could not read.
inline void checkPiecesOf(const Decoded& decoded, const QByteArray& reply)
{
    for (const FieldUpdate& u : decoded.updates) {
        FUZZ_CHECK(!u.control.isEmpty());
        if (u.kind == FieldUpdate::Kind::Text) FUZZ_CHECK(reply.contains(u.text));
    }
    if (decoded.error) FUZZ_CHECK(decoded.error->endsWith(QStringLiteral("' is not a valid integer value")));
}

// A number as the stand-in writes it: zero-padded to `width` digits.
inline QByteArray zeroPadded(int value, int width) { return QByteArray::number(value).rightJustified(width, '0'); }

// The last update of the named control, or null.
inline const FieldUpdate* updateOf(const Decoded& decoded, const char* control)
{
    const FieldUpdate* found = nullptr;
    for (const FieldUpdate& u : decoded.updates)
        if (u.control == QLatin1String(control)) found = &u;
    return found;
}

inline bool hasItem(const Decoded& decoded, const char* control, int index)
{
    const FieldUpdate* u = updateOf(decoded, control);
    return u && u->kind == FieldUpdate::Kind::ItemIndex && u->index == index;
}

inline bool hasText(const Decoded& decoded, const char* control, const QByteArray& text)
{
    const FieldUpdate* u = updateOf(decoded, control);
    return u && u->kind == FieldUpdate::Kind::Text && u->text == text;
}

} // namespace fuzz
