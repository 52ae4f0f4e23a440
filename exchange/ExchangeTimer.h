#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// A repeating timer with the semantics the exchange relies on: enabling a running timer,
// or setting the interval it already has, does not restart its count. A timer without a
// handler keeps its enabled state but never runs, so it costs no wake-ups.
class ExchangeTimer : public QObject {
    Q_OBJECT

public:
    ExchangeTimer(int intervalMs, QObject* parent = nullptr);

    void setInterval(int ms);
    int interval() const { return timer_.interval(); }
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    // Milliseconds until it fires; -1 while it is stopped.
    int remainingMs() const { return timer_.remainingTime(); }

    std::function<void()> onTimer;

private:
    QTimer timer_;
    bool enabled_ = false;
};
