#pragma once

#include "exchange/Messages.h"

#include <QElapsedTimer>
#include <QStringList>

// Records the message boxes instead of showing them, with the time each was raised.
class RecordingMessages : public MessageSink {
public:
    struct Entry {
        bool isError;
        QString text;
        QString detail;
        qint64 atMs;
    };

    RecordingMessages() { clock.start(); }
    void inform(const QString& text) override { entries.append({false, text, {}, clock.elapsed()}); }
    void error(const QString& text, const QString& detail) override
    {
        entries.append({true, text, detail, clock.elapsed()});
    }
    // The latest message's text; empty when there is none yet.
    QString last() const { return entries.isEmpty() ? QString() : entries.last().text; }
    QStringList texts() const
    {
        QStringList out;
        for (const Entry& e : entries) out << e.text;
        return out;
    }

    QList<Entry> entries;
    QElapsedTimer clock;
};
