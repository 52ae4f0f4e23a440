#include "profile/ProfileRun.h"

#include "exchange/Controls.h"
#include "pages/modbus/ModbusPage.h"
#include "pages/monitor/MonitorCodec.h"
#include "profile/ProfileControls.h"
#include "profile/ProfileSchema.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

using ProfileSchema::Query;
using ProfileSchema::Setting;

namespace {

// The settings one step carries, for progress lines and failure messages.
QString keysOf(const std::vector<const Setting*>& settings)
{
    QStringList keys;
    for (const Setting* s : settings) keys << s->key;
    return keys.join(QStringLiteral(", "));
}

QString queryName(const Query& q)
{
    switch (q.which) {
    case Query::System: return QStringLiteral("system query");
    case Query::Device: return QStringLiteral("modbus.devices[%1] query").arg(q.slot);
    case Query::Monitor: return QStringLiteral("monitoring[%1] query").arg(q.slot - 1);
    }
    return {};
}

} // namespace

ProfileRun::ProfileRun(QWidget& window, Exchange& exchange, ModbusPage& modbus, QObject* parent)
    : QObject(parent), window_(window), exchange_(exchange), modbus_(modbus)
{
    connect(&exchange_, &Exchange::requestSent, this, [this] { ++sent_; });
    connect(&exchange_, &Exchange::ended, this, &ProfileRun::onEnded);
}

ProfileRun::~ProfileRun()
{
    if (running_) exchange_.messages().divert(nullptr);
}

bool ProfileRun::acknowledged(const QByteArray& reply) { return reply.contains("OK") && !reply.contains("ERR"); }

QWidget* ProfileRun::control(const QString& name) const { return window_.findChild<QWidget*>(name); }

void ProfileRun::press(const QString& button)
{
    if (auto* b = window_.findChild<QPushButton*>(button)) b->click();
}

void ProfileRun::selectDevice(int device)
{
    setItemIndex(modbus_.ComboBox41, device);
}

void ProfileRun::read()
{
    steps_.clear();
    result_ = Profile{};
    // The device slots first: choosing a slot blanks the system page, whose query comes last.
    std::vector<Query> queries;
    for (int n = 0; n < 5; ++n) queries.push_back({Query::Device, n});
    for (int m = 1; m <= 6; ++m) queries.push_back({Query::Monitor, m});
    queries.push_back({Query::System, 0});
    for (const Query& q : queries) {
        std::vector<const Setting*> settings;
        for (const Setting& s : ProfileSchema::settings())
            if (s.query == q) settings.push_back(&s);
        Step step;
        step.what = queryName(q);
        step.send = [this, q, settings] {
            for (const Setting* s : settings) ProfileControls::blank(control(s->control));
            switch (q.which) {
            case Query::Device:
                selectDevice(q.slot);
                modbus_.ComboBox41Change(); // as a user picking the slot: blank, then query
                break;
            case Query::Monitor: press(MonitorCodec::kSlots[q.slot - 1].query); break;
            case Query::System: press(QStringLiteral("Button23")); break;
            }
        };
        step.take = [this, settings] {
            QStringList missing;
            bool custom = false;
            for (const Setting* s : settings) {
                if (s->customOnly && !custom) continue;
                const auto value = ProfileControls::take(control(s->control), *s);
                if (!value) {
                    if (!s->optional) missing << s->key;
                    continue;
                }
                result_.values[s->key] = *value;
                if (s->key == ProfileSchema::meterTypeKey(s->device)) custom = *value == ProfileSchema::kCustomMeter;
            }
            if (missing.isEmpty()) return QString();
            return QStringLiteral("the reply held no usable value for %1").arg(missing.join(QStringLiteral(", ")));
        };
        steps_.push_back(step);
    }
    start();
}

void ProfileRun::write(const Profile& profile)
{
    steps_.clear();
    // One step per "Set" button, in the table's order, with every setting its request carries.
    std::vector<std::vector<const Setting*>> groups;
    for (const Setting& s : ProfileSchema::settings()) {
        if (s.setButton.isEmpty() || !profile.values.count(s.key)) continue;
        if (!groups.empty() && groups.back().front()->setButton == s.setButton &&
            groups.back().front()->device == s.device)
            groups.back().push_back(&s);
        else
            groups.push_back({&s});
    }
    for (const auto& group : groups) {
        Step step;
        step.what = keysOf(group);
        step.send = [this, group, profile] {
            const int device = group.front()->device;
            if (device >= 0) selectDevice(device);
            for (const Setting* s : group) ProfileControls::put(control(s->control), *s, profile.values.at(s->key));
            press(group.front()->setButton);
        };
        steps_.push_back(step);
    }
    start();
}

void ProfileRun::cancel() { cancelled_ = true; }

void ProfileRun::start()
{
    at_ = 0;
    cancelled_ = false;
    waiting_ = false;
    running_ = true;
    // The run reports its own failures: messages of the pages and the exchange come here.
    exchange_.messages().divert(&recorder_);
    if (!exchange_.portOpen()) {
        QTimer::singleShot(0, this, [this] { finish(false, QStringLiteral("The port is not open.")); });
        return;
    }
    QTimer::singleShot(0, this, &ProfileRun::next);
}

void ProfileRun::next()
{
    if (!running_) return;
    if (cancelled_) return finish(false, QStringLiteral("Cancelled."));
    if (at_ == steps_.size()) return finish(true, QString());
    const Step& step = steps_[at_];
    emit progress(int(at_) + 1, int(steps_.size()), step.what);
    recorder_.last.clear();
    const int before = sent_;
    waiting_ = true;
    runHandler(recorder_, step.send);
    if (sent_ == before) {
        waiting_ = false;
        finish(false, QStringLiteral("%1: nothing was sent%2")
                          .arg(step.what, recorder_.last.isEmpty() ? QString() : ": " + recorder_.last));
    }
}

void ProfileRun::onEnded(Exchange::Outcome outcome)
{
    if (!running_ || !waiting_) return;
    waiting_ = false;
    const Step& step = steps_[at_];
    QString problem;
    switch (outcome) {
    case Exchange::Outcome::TimedOut: problem = QStringLiteral("no answer within 3 s"); break;
    case Exchange::Outcome::Abandoned: problem = QStringLiteral("the port went away"); break;
    case Exchange::Outcome::Answered:
        if (!acknowledged(exchange_.receivedText()))
            problem = QStringLiteral("the converter refused it: ") + QString::fromLatin1(exchange_.receivedText());
        break;
    case Exchange::Outcome::Decoded:
        if (!recorder_.last.isEmpty()) problem = recorder_.last; // the decoder stopped with an error
        else if (step.take) problem = step.take();
        break;
    }
    if (!problem.isEmpty()) return finish(false, QStringLiteral("%1: %2").arg(step.what, problem));
    ++at_;
    // Out of the exchange's handler before the next request goes.
    QTimer::singleShot(0, this, &ProfileRun::next);
}

void ProfileRun::finish(bool ok, const QString& message)
{
    if (!running_) return;
    running_ = false;
    waiting_ = false;
    exchange_.messages().divert(nullptr);
    emit finished(ok, message);
}
