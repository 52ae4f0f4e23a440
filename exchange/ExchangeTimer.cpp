#include "exchange/ExchangeTimer.h"

ExchangeTimer::ExchangeTimer(int intervalMs, QObject* parent) : QObject(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (onTimer) onTimer();
    });
}

void ExchangeTimer::setInterval(int ms)
{
    // A new interval on a running timer starts its count afresh, as QTimer does.
    if (ms != timer_.interval()) timer_.setInterval(ms);
}

void ExchangeTimer::setEnabled(bool on)
{
    enabled_ = on;
    if (on && onTimer && !timer_.isActive())
        timer_.start();
    else if (!on)
        timer_.stop();
}
