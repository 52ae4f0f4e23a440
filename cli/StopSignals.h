#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM, delivered through the event loop instead of ending the program: the
// handler only writes a byte to a pipe that the event loop watches. The previous handlers
// come back when the object goes.
class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    // Once per signal; `count` counts them from 1.
    void received(int count);

private:
    QSocketNotifier* notifier_ = nullptr;
    int count_ = 0;
};
