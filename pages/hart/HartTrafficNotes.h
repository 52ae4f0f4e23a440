#pragma once

#include <QByteArray>
#include <QString>

// Notes for the traffic log's HART lines: what a master frame asks, and the status of an
// instrument's reply on the line of the chunk that completes it (a reply may arrive in
// several chunks). What arrives is gathered from one sent frame to the next.
class HartTrafficNotes {
public:
    QString sent(const QByteArray& frame);
    QString received(const QByteArray& chunk);

private:
    QByteArray gathered_;
};
