#include "pages/widgets/ApplyDecoded.h"

#include "pages/widgets/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <stdexcept>

void applyDecoded(QWidget* root, const Decoded& decoded)
{
    for (const FieldUpdate& u : decoded.updates) {
        if (u.kind == FieldUpdate::Kind::ItemIndex) {
            if (auto* box = root->findChild<QComboBox*>(u.control)) setItemIndex(box, u.index);
        } else if (u.kind == FieldUpdate::Kind::Checked) {
            if (auto* box = root->findChild<QCheckBox*>(u.control)) box->setChecked(u.index == 1);
        } else if (u.kind == FieldUpdate::Kind::Visible) {
            if (auto* w = root->findChild<QWidget*>(u.control)) w->setVisible(u.index == 1);
        } else if (auto* edit = root->findChild<QLineEdit*>(u.control)) {
            edit->setText(QString::fromLatin1(u.text));
        } else if (auto* label = root->findChild<QLabel*>(u.control)) {
            label->setText(QString::fromLatin1(u.text));
        }
    }
    if (decoded.error) throw std::runtime_error(decoded.error->toStdString());
}
