#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

void show(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& detail)
{
    QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    if (!detail.isEmpty()) box.setInformativeText(detail);
    box.exec();
}

} // namespace

void MessageBoxes::inform(const QString& text) { show(parent_, QMessageBox::NoIcon, text, {}); }

void MessageBoxes::error(const QString& text, const QString& detail)
{
    show(parent_, QMessageBox::Critical, text, detail);
}
