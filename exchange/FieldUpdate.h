#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// One control change a reply decoder asks for: a list's item index, an edit's or label's
// text, whether a group is shown, or whether a check box is ticked (index 1 or 0).
struct FieldUpdate {
    enum class Kind { ItemIndex, Text, Visible, Checked };
    QString control; // the control's name
    Kind kind = Kind::ItemIndex;
    int index = -1;
    QByteArray text; // characters as received, one per byte

    static FieldUpdate item(const QString& control, int index) { return {control, Kind::ItemIndex, index, {}}; }
    static FieldUpdate edit(const QString& control, const QByteArray& text) { return {control, Kind::Text, -1, text}; }
    static FieldUpdate visible(const QString& control, bool shown) { return {control, Kind::Visible, shown ? 1 : 0, {}}; }
    static FieldUpdate checked(const QString& control, bool on) { return {control, Kind::Checked, on ? 1 : 0, {}}; }
    bool operator==(const FieldUpdate&) const = default;
};

// What a decoder made of a reply: the updates in order, and the conversion error that
// stopped it, if one did (earlier updates still apply).
struct Decoded {
    std::vector<FieldUpdate> updates;
    std::optional<QString> error;
};

