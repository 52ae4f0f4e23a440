#include "profile/ProfileControls.h"

#include "exchange/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

using ProfileSchema::Kind;

namespace ProfileControls {

void put(QWidget* control, const ProfileSchema::Setting& s, const QJsonValue& value)
{
    if (auto* check = qobject_cast<QCheckBox*>(control)) {
        check->setChecked(value.toBool());
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
        setItemIndex(list, s.kind == Kind::Flag ? int(value.toBool()) : int(s.choices.indexOf(value)));
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(s.kind == Kind::Number ? QString::number(value.toInteger() / s.scale) : value.toString());
    }
}

std::optional<QJsonValue> take(const QWidget* control, const ProfileSchema::Setting& s)
{
    QJsonValue value;
    if (const auto* check = qobject_cast<const QCheckBox*>(control)) {
        value = check->isChecked();
    } else if (const auto* list = qobject_cast<const QComboBox*>(control)) {
        const int index = itemIndex(list);
        if (s.kind == Kind::Flag && (index == 0 || index == 1)) value = index == 1;
        else if (s.kind == Kind::Choice && index >= 0 && index < s.choices.size()) value = s.choices[index];
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        if (s.kind == Kind::Number) {
            bool ok = false;
            const qint64 n = edit->text().toLongLong(&ok);
            if (ok) value = n * s.scale;
        } else {
            value = edit->text();
        }
    }
    if (!s.accepts(value)) return std::nullopt;
    return value;
}

void blank(QWidget* control)
{
    if (auto* check = qobject_cast<QCheckBox*>(control)) check->setChecked(false);
    else if (auto* list = qobject_cast<QComboBox*>(control)) setItemIndex(list, -1);
    else if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->clear();
}

} // namespace ProfileControls
