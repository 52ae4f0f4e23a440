#pragma once

#include <QByteArray>
#include <QString>

class QSettings;

// What the window brings back on the next start: the port panel's port, speed and parity,
// the page in front, and the window's size and place. Empty or -1 means "not remembered".
struct RememberedChoices {
    QString port;
    QString speed;
    int parity = -1;
    int page = -1;
    QByteArray geometry;
};

// Entries that are damaged or out of range read as not remembered.
RememberedChoices readChoices(const QSettings& settings);
void writeChoices(QSettings& settings, const RememberedChoices& choices);

// The same, in the user's own settings file (under the user's configuration folder).
RememberedChoices loadChoices();
void saveChoices(const RememberedChoices& choices);
