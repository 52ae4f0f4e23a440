#pragma once

#include "instrument/AuditLog.h"
#include "instrument/InstrumentRead.h"
#include "serial/LineSettings.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <optional>
#include <vector>

// A loop test: the instrument's loop current is fixed at each current in turn for the hold
// time (command 40), and whatever happens afterwards (the end, Cancel, a refused step, a
// lost port that comes back) it is told to leave fixed current mode (command 40 with 0) and
// read once more (command 3) to see that it did. Each current goes to the audit log as its
// step ends, and leaving fixed current mode as the test ends; a log that cannot be written
// is told, and the test goes on. The engineer confirms beforehand that the loop is in manual
// at the control system: that is the caller's part. No widgets.
class LoopTest : public QObject {
    Q_OBJECT

public:
    struct Options {
        InstrumentRead::Options read;
        std::vector<float> currents; // mA, each 3 to 24
        int holdMs = 10000;
        // How long a lost port is tried again, once a second, to leave fixed current mode.
        int recoverMs = 60000;
        uint32_t baud = 9600;
        TParity parity = TParity::None;
        QString port; // for the audit log
        QByteArray auditPath = AuditLog::defaultPath();
    };

    enum class End {
        Completed,   // every current was held, and the instrument left fixed current mode
        Stopped,     // cancelled or refused on the way; the instrument left fixed current mode
        NoInstrument,  // command 0 got no answer: nothing was fixed
        StillFixed,  // the instrument could not be told to leave fixed current mode, or says it is still fixed
    };

    LoopTest(ConverterSession& session, Options options, QObject* parent = nullptr);

    void start();
    // Ends the current hold at once (or after the request under way) and leaves fixed current mode.
    void cancel();
    bool running() const { return running_; }

    // What happened, a line each.
    const QStringList& messages() const { return messages_; }
    // Why the audit log lacks some entry of this test; empty when every entry was written.
    const QString& auditProblem() const { return auditProblem_; }

signals:
    void progress(const QString& what);
    // The current asked at step `index` and the one the instrument says it set.
    void currentSet(int index, float asked, std::optional<float> set);
    void replied(const HartStatus::Status& status);
    void finished(LoopTest::End end);

private:
    void identify();
    void fix(size_t index);
    void leave(int attempt);
    void check();
    void recover();
    void finish(End end);
    // Sends `command` with `data` by long address; `then` gets the reply frame, or nothing.
    void ask(uint8_t command, const QByteArray& data, std::function<void(std::optional<HartReply::Frame>)> then);
    // Logs the step under way, if any, with its outcome.
    void endStep(const QString& outcome);
    void log(const AuditLog::Entry& entry);
    QString deviceId() const; // six hex digits, as the snapshot has it

    ConverterSession& session_;
    Options options_;
    InstrumentReplies::Identity identity_;
    QTimer hold_, retry_;
    QElapsedTimer lostFor_;
    size_t index_ = 0;
    bool running_ = false;
    bool stopping_ = false; // cancelled or refused: leave fixed current mode next
    bool fixed_ = false;    // a fixed current was asked, so leaving is owed
    bool leaving_ = false;
    bool completed_ = false;
    bool recovering_ = false; // the port went away and is tried again
    QStringList messages_;
    // The audit log's part.
    struct Step {
        QDateTime at; // when the current was asked
        float asked = 0;
        std::optional<float> set; // the instrument's answer
    };
    std::optional<Step> step_; // sent and not yet logged
    size_t logged_ = 0;        // steps logged so far
    QString leaveOutcome_;     // how leaving fixed current mode went, once it is known
    QString leftNow_;          // what command 3 says after leaving: "not fixed", "fixed", "-"
    QString auditProblem_;
};
