#pragma once

#include "exchange/FieldUpdate.h"

#include <QStringList>

// A decoder's updates as readable lines: "Edit14=005", "ComboBox2=3", "GroupBox13 shown".
inline QStringList render(const Decoded& d)
{
    QStringList out;
    for (const FieldUpdate& u : d.updates) {
        switch (u.kind) {
        case FieldUpdate::Kind::ItemIndex: out << u.control + '=' + QString::number(u.index); break;
        case FieldUpdate::Kind::Text: out << u.control + '=' + QString::fromLatin1(u.text); break;
        case FieldUpdate::Kind::Visible: out << u.control + (u.index ? " shown" : " hidden"); break;
        case FieldUpdate::Kind::Checked: out << u.control + (u.index ? " ticked" : " clear"); break;
        }
    }
    return out;
}
