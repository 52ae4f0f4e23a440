#pragma once

#include "exchange/FieldUpdate.h"
#include "profile/Profile.h"
#include "profile/ProfileSchema.h"
#include "session/ConverterSession.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

// Reads a whole converter into a profile, or writes a profile to it, one request after
// another on a converter session: the codecs build each request from the profile's values
// and decode each reply into them. The first refusal, missing answer or bad value stops
// the run. A write sends the two port speeds last; after the RS232/RS485A speed it reopens
// the port at the new speed and checks the link there.
class ProfileRun : public QObject {
    Q_OBJECT

public:
    explicit ProfileRun(ConverterSession& session, QObject* parent = nullptr);

    void read();
    void write(const Profile& profile);
    // Stops before the next request; the one under way is left to end by itself.
    void cancel();

    bool running() const { return running_; }
    int stepCount() const { return int(steps_.size()); }
    // What a read found (complete only after a read that succeeded).
    const Profile& result() const { return result_; }
    // After a write: whether the converter acknowledged every setting. It may be true for a
    // run that failed: the link check at the new speed went unanswered.
    bool written() const { return written_; }
    // The settings the converter acknowledged so far, in the order they were written.
    const QStringList& applied() const { return applied_; }
    // The settings whose answer came but could not be read: they may have been applied.
    const QStringList& uncertain() const { return uncertain_; }

signals:
    // Before each request: its number from 1, the count, and the settings it is for.
    void progress(int step, int count, const QString& what);
    // A query's reply, decoded, for a window that shows it on its pages.
    void decoded(const ProfileSchema::Query& query, const Decoded& decoded);
    // The converter acknowledged a set request that carried these values.
    void acknowledged(const std::vector<FieldUpdate>& updates, int device);
    // ok false: `message` names the setting that failed and why ("system.working_mode: no
    // answer within 3 s"), or, after a write, that the new speed went unconfirmed. ok true:
    // empty after a read, "written; now at 19200 baud" (or just "written") after a write.
    void finished(bool ok, const QString& message);

private:
    struct Step {
        QString what;
        std::vector<const ProfileSchema::Setting*> settings;
        SessionRequest request;
        QString refusal;               // the request could not be built
        ProfileSchema::Query query;    // for a read
        bool isQuery = false;
    };

    void start();
    void next();
    void onOutcome(const SessionOutcome& outcome);
    void changeSpeed();
    void finish(bool ok, const QString& message);

    ConverterSession& session_;
    std::vector<Step> steps_;
    size_t at_ = 0;
    bool running_ = false;
    bool cancelled_ = false;
    bool written_ = false;
    QStringList applied_;
    QStringList uncertain_;
    Profile wanted_;
    Profile result_;
};
