#pragma once

#include "profile/Profile.h"
#include "profile/ProfileSchema.h"

#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <memory>
#include <vector>

class ConverterSession;
class ProfileRun;
class TForm1;
struct Decoded;
struct FieldUpdate;

// A run over the whole converter from the window. For its length the port is lent to a
// converter session: the exchange stands aside and the pages' buttons are disabled, while
// the Receive Buffer and the traffic log still see every frame. The pages fill in from what
// is read, or show what was written. When the run ends the port is the exchange's again,
// open at whatever speed the run left it, and the port panel shows that speed.
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
    void giveBack();
    void showDecoded(const ProfileSchema::Query& query, const Decoded& decoded);
    void showWritten(const std::vector<FieldUpdate>& updates, int device);

    TForm1& window_;
    std::unique_ptr<ConverterSession> session_;
    std::unique_ptr<ProfileRun> run_;
    std::vector<QPointer<QPushButton>> disabled_;
    bool running_ = false;
    int steps_ = 0;
    bool written_ = false;
    Profile result_;
};
