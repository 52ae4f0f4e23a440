#pragma once

#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "profile/Profile.h"

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class ModbusPage;
class QWidget;

// Reads a whole converter into a profile, or writes a profile to it, through the window's
// own pages: each step puts values into a page's controls and presses its "Set" button,
// or presses a query button and takes the decoded controls back, and waits for the
// exchange to end before the next. The first refusal, timeout or bad value stops the run.
class ProfileRun : public QObject {
    Q_OBJECT

public:
    ProfileRun(QWidget& window, Exchange& exchange, ModbusPage& modbus, QObject* parent = nullptr);
    ~ProfileRun() override;

    void read();
    void write(const Profile& profile);
    // Stops before the next request; the one under way is left to end by itself.
    void cancel();

    bool running() const { return running_; }
    int stepCount() const { return int(steps_.size()); }
    // What a read found (complete only after a read that succeeded).
    const Profile& result() const { return result_; }

    // A set reply is the converter's acknowledgement when it says "OK" and no "ERR".
    static bool acknowledged(const QByteArray& reply);

signals:
    // Before each request: its number from 1, the count, and the settings it is for.
    void progress(int step, int count, const QString& what);
    // ok false: `message` names the setting that failed and why.
    void finished(bool ok, const QString& message);

private:
    struct Step {
        QString what;
        std::function<void()> send;     // fills controls and presses the button
        std::function<QString()> take;  // after a decoded reply: what went wrong, if anything
    };
    struct Recorder : MessageSink {
        QString last;
        void inform(const QString& text) override { last = text; }
        void error(const QString& text, const QString& detail) override
        {
            last = detail.isEmpty() ? text : text + u' ' + detail;
        }
    };

    void start();
    void next();
    void onEnded(Exchange::Outcome outcome);
    void finish(bool ok, const QString& message);
    QWidget* control(const QString& name) const;
    void press(const QString& button);
    void selectDevice(int device);

    QWidget& window_;
    Exchange& exchange_;
    ModbusPage& modbus_;
    std::vector<Step> steps_;
    size_t at_ = 0;
    bool running_ = false;
    bool waiting_ = false;
    bool cancelled_ = false;
    int sent_ = 0;
    Recorder recorder_;
    Profile result_;
};
