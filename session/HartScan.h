#pragma once

#include "pages/hart/HartCodec.h"
#include "pages/hart/HartCommands.h"
#include "pages/hart/HartStatus.h"
#include "session/ConverterSession.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Looks for HART instruments behind a converter in transparent mode: command 0 in a short
// frame to each polling address in turn, and for each instrument that answers its tag
// (command 13) and, from HART 6 on, its long tag (command 20), by its long address. Runs
// on a converter session whose time limit is the wait at each address. When nobody
// answers, the converter is asked for its working mode: outside transparent mode it passes
// no HART frame on. No widgets.
class HartScan : public QObject {
    Q_OBJECT

public:
    struct Options {
        int last = 15;                          // polling addresses 0 to last (at most 63)
        int preambles = 5;                      // as the frame builder takes it: preambles + 1 bytes of 0xFF
        uint8_t master = HartCodec::kMasterBit; // or 0x00 for a secondary master
    };

    // What answered at one polling address.
    struct Found {
        int pollAddress = 0;
        std::optional<HartCommands::Identity> identity; // absent when command 0's reply had none
        HartStatus::Status status;                      // command 0's status bytes
        std::optional<QString> tag;
        std::optional<QString> longTag; // asked from HART 6 on
        // What could not be read, one item each: "no identity: communication error: framing",
        // "tag: no answer".
        QStringList problems;
    };

    enum class End { Completed, Cancelled, PortLost };

    HartScan(ConverterSession& session, Options options, QObject* parent = nullptr);

    void start();
    // Stops before the next request; the one under way ends within the session's time limit.
    // An instrument identified before the stop is still reported.
    void cancel();
    const std::vector<Found>& found() const { return found_; }
    // When no instrument answered at any address: the converter's working mode, from its
    // system query. Empty otherwise, or when the converter did not say.
    std::optional<int> workingMode() const { return workingMode_; }

    // Why a converter in working mode `mode` passes no HART frame on: "the converter is in
    // MODBUS mode 1 (single meter), not transparent mode". Empty for transparent mode 0.
    static QString notTransparent(int mode);

    // The frames the scan sends.
    static QByteArray pollFrame(const Options& options, int address);
    static QByteArray longFrame(const Options& options, const HartCodec::Identity& address, uint8_t command);

signals:
    // Before an address is asked.
    void progress(int address, int last);
    void answered(const HartScan::Found& found);
    void finished(HartScan::End end);

private:
    void ask(SessionRequest request, std::function<void(const SessionOutcome&)> then);
    void ask(const QByteArray& frame, std::function<void(const SessionOutcome&)> then);
    void askWorkingMode();
    void next();
    void onIdentity(const SessionOutcome& outcome);
    void readTags();
    void onTag(const SessionOutcome& outcome, uint8_t command);
    void report();
    void finish(End end);
    // A whole reply to `command`, or why there is none to read.
    std::optional<HartReply::Frame> replyTo(const SessionOutcome& outcome, uint8_t command, QString& why) const;

    ConverterSession& session_;
    Options options_;
    int address_ = -1;
    Found current_;
    std::vector<Found> found_;
    std::optional<int> workingMode_;
    bool running_ = false;
    bool cancelled_ = false;
};
