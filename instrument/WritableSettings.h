#pragma once

#include "pages/hart/InstrumentWrites.h"

#include <QDate>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The settings of an instrument that can be written, as a snapshot holds them, and the plan
// of requests that takes an instrument from what it holds to what is wanted. No I/O.
namespace WritableSettings {

enum class Key { Tag, LongTag, Descriptor, Message, Date, Range, Unit, Damping, TransferFunction, PollingAddress, LoopCurrentMode };
inline constexpr Key kKeys[] = {Key::Tag,     Key::LongTag, Key::Descriptor,       Key::Message,
                                Key::Date,    Key::Unit,    Key::Range,            Key::Damping,
                                Key::TransferFunction, Key::PollingAddress, Key::LoopCurrentMode};

// "tag", "long_tag", "range", "loop_current_mode", ...
QString name(Key key);
std::optional<Key> named(const QString& name);

struct Settings {
    std::optional<QString> tag, longTag, descriptor, message;
    std::optional<QDate> date;
    std::optional<int> unit; // the PV range's unit code
    std::optional<float> lower, upper, damping;
    std::optional<int> transferFunction, pollingAddress;
    std::optional<bool> loopCurrentEnabled;
};

// What a snapshot file's keys hold; a key that is null stays empty.
Settings fromSnapshot(const QJsonObject& snapshot);

// A setting's value as the plan shows it: "0 to 250", "kPa (12)", "0.5 s"; "-" when empty.
QString text(const Settings& settings, Key key);

// Sets one value from "KEY=VALUE" as typed: range as LOWER:UPPER, unit and transfer function
// as a code or a name, date as YYYY-MM-DD, loop_current_mode as enabled or disabled. Empty
// when set, else the refusal, naming the key.
QString assign(Settings& settings, const QString& assignment);

// Whether the key's values differ (an empty wanted value never does).
bool differs(const Settings& now, const Settings& wanted, Key key);

struct Change {
    Key key;
    QString old, wanted;
};

// What writing `wanted` over `now` takes, in sending order: the unit before the range that
// is in it; tag, descriptor and date in one command 18, the polling address and loop current
// mode in one command 6, each filled from `now` where `wanted` leaves it. Refusals name
// every value that cannot be sent (nothing is sent then); warnings name the effects beyond
// the instrument.
struct Plan {
    std::vector<Change> changes;
    std::vector<InstrumentWrites::Request> requests;
    QStringList refusals;
    QStringList warnings;
    bool empty() const { return changes.empty(); }
};
Plan plan(const Settings& now, const Settings& wanted, int hartRevision,
          const std::optional<InstrumentWrites::SensorLimits>& sensor);

// The keys of the plan whose read-back value is not what was asked.
std::vector<Key> notAsAsked(const Plan& plan, const Settings& wanted, const Settings& readBack);

} // namespace WritableSettings
