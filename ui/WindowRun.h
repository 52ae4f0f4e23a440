#pragma once

#include "profile/Profile.h"
#include "profile/ProfileSchema.h"

#include <QObject>
#include <memory>
#include <vector>

class PortLoan;
class ProfileRun;
class TForm1;
struct Decoded;
struct FieldUpdate;

// A run over the whole converter from the window, on the port lent for its length (see
// PortLoan). The pages fill in from what is read, or show what was written.
class WindowRun : public QObject {
    Q_OBJECT

public:
    explicit WindowRun(TForm1& window);
    ~WindowRun() override;

    void read();
    void write(const Profile& profile);
    // Stops before the next request.
    void cancel();

    bool running() const { return running_; }
    int stepCount() const { return steps_; }
    const Profile& result() const { return result_; }
    // After a write: the converter took every setting (its new speed may still be unconfirmed).
    bool written() const { return written_; }

signals:
    void progress(int step, int count, const QString& what);
    // As ProfileRun's, once the port is back with the exchange.
    void finished(bool ok, const QString& message);

private:
    void begin();
    void onFinished(bool ok, const QString& message);
    void showDecoded(const ProfileSchema::Query& query, const Decoded& decoded);
    void showWritten(const std::vector<FieldUpdate>& updates, int device);

    TForm1& window_;
    std::unique_ptr<PortLoan> loan_;
    std::unique_ptr<ProfileRun> run_;
    bool running_ = false;
    int steps_ = 0;
    bool written_ = false;
    Profile result_;
};
