#include "pages/widgets/PortList.h"

#include "serial/PortName.h"

#include <QFileInfo>
#include <QSerialPortInfo>

PortList::PortList(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // The machine's own ports are looked up when the list opens: scanning them here would
    // slow the window's start for a list nobody has looked at yet.
    for (int n = 1; n <= 12; ++n) {
        addItem(QStringLiteral("COM%1").arg(n));
        setItemData(n - 1, QStringLiteral("/dev/ttyS%1").arg(n - 1), Qt::ToolTipRole);
    }
    setCurrentIndex(0);
}

QString PortList::simulatorLink()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString dir = runtime.isEmpty() ? QStringLiteral("/tmp") : QString::fromLocal8Bit(runtime);
    return dir + QStringLiteral("/vk742b-sim");
}

void PortList::refresh()
{
    const QString typed = currentText();
    const QSignalBlocker quiet(this);
    while (count() > 12) removeItem(count() - 1); // keep COM1 to COM12

    const QString sim = simulatorLink();
    if (QFileInfo::exists(sim)) {
        addItem(sim);
        setItemData(count() - 1, QStringLiteral("VK742-B stand-in (vk742b-sim)"), Qt::ToolTipRole);
    }
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        const QString path = port.systemLocation();
        if (findText(path) >= 0) continue;
        QString tip = port.description();
        if (!port.manufacturer().isEmpty()) tip += QStringLiteral(" (%1)").arg(port.manufacturer());
        addItem(path);
        setItemData(count() - 1, tip.isEmpty() ? path : tip, Qt::ToolTipRole);
    }
    const int match = findText(typed);
    if (match >= 0)
        setCurrentIndex(match);
    else
        setEditText(typed);
}

void PortList::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

void PortList::selectRemembered(const QString& name)
{
    const int listed = findText(name);
    if (listed >= 0) {
        setCurrentIndex(listed);
        return;
    }
    // Not one of the fixed entries: a device or the stand-in's link, if it is still there.
    if (!name.isEmpty() && QFileInfo::exists(QString::fromStdString(devicePathFor(name.toStdString()))))
        setEditText(name);
    else
        setCurrentIndex(0);
}
