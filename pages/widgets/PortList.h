#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

// The serial port list: "COM1" to "COM12", then the ports this machine has, refreshed each
// time the list opens, with each device's description as its tooltip. Typed text stays.
class PortList : public QComboBox {
    Q_OBJECT

public:
    explicit PortList(QWidget* parent = nullptr);
    void refresh();
    // Shows a port chosen in an earlier run; one that no longer exists leaves the first entry.
    void selectRemembered(const QString& name);
    void showPopup() override;

    // Where the converter stand-in publishes its port; offered when it exists.
    static QString simulatorLink();
};
