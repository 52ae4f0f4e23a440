#pragma once

#include "instrument/AuditLog.h"
#include "instrument/InstrumentRead.h"
#include "instrument/WritableSettings.h"

#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

// Writes settings to one instrument with every guard: it reads the instrument first (and
// refuses when it reports write protection), plans the writes and waits for the go-ahead,
// sends them (a busy instrument is asked again up to three times, backing off), reads the
// instrument back and holds each setting against what was asked, checks that a HART 7
// instrument counted the change, resets the configuration changed flag only when told to,
// and appends one line per setting to the audit log. No widgets.
class InstrumentWriteRun : public QObject {
    Q_OBJECT

public:
    struct Options {
        InstrumentRead::Options read;
        bool resetChangedFlag = false; // command 38 after a good write
        QString port;                  // for the audit log
        QByteArray auditPath = AuditLog::defaultPath();
        int busyBackOffMs = 250; // doubled for each retry
    };

    enum class End {
        Written,        // every setting read back as asked
        Nearest,        // some setting was set to the nearest value the instrument allows
        NothingToWrite, // the instrument already holds what was asked
        Refused,        // nothing was sent: a value cannot be sent, or the instrument is write-protected
        Declined,       // the plan was not confirmed; nothing was sent
        Trouble,        // a write was refused or unanswered, a read-back differs, or the log failed
        Cancelled,
        PortLost,
    };

    // What to write, from what the instrument holds now (its snapshot as the file has it).
    using Wanted = std::function<WritableSettings::Settings(const QJsonObject& now)>;

    InstrumentWriteRun(ConverterSession& session, Options options, Wanted wanted, QObject* parent = nullptr);
    ~InstrumentWriteRun() override;

    void start();
    // After planned(): go on with the writes, or end as Declined.
    void confirm(bool go);
    // Stops before the next request; a write already sent stays sent.
    void cancel();

    const WritableSettings::Plan& plan() const { return plan_; }
    const QJsonObject& before() const { return before_; }
    const QJsonObject& after() const { return after_; } // the read-back; empty before it
    // What happened, a line each: refusals, response codes, read-back differences.
    const QStringList& messages() const { return messages_; }

signals:
    void progress(const QString& what);
    void planned(const WritableSettings::Plan& plan);
    void replied(const HartStatus::Status& status);
    void finished(InstrumentWriteRun::End end);

private:
    void readBefore();
    void onBefore(InstrumentRead::End end);
    void write(size_t index, int attempt);
    void onWritten(const SessionOutcome& outcome, size_t index, int attempt);
    void readBack();
    void onBack(InstrumentRead::End end);
    void resetFlag();
    void finish(End end);
    void audit();
    // The outcome of the request that carries `key`: "written", "refused: ...", "not sent".
    QString outcomeOf(WritableSettings::Key key) const;

    ConverterSession& session_;
    Options options_;
    Wanted wanted_;
    std::unique_ptr<InstrumentRead> read_;
    InstrumentSnapshot identitySource_; // the first reading: the long address and preambles
    QJsonObject before_, after_;
    WritableSettings::Settings wantedSettings_;
    WritableSettings::Plan plan_;
    std::vector<QString> results_; // per request: "written", "set to nearest ...", "refused: ..."
    std::vector<bool> nearest_;    // per request: answered "set to nearest possible value"
    bool setToNearest_ = false;    // a setting read back as the nearest value allowed
    QStringList messages_;
    QTimer backOff_;
    bool running_ = false;
    bool cancelled_ = false;
    bool audited_ = false;
};
