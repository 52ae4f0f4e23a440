#include "instrument/WritableSettings.h"

#include "pages/hart/InstrumentTables.h"
#include "tools/FloatText.h"

#include <cmath>

namespace WritableSettings {
namespace {

const char* const kNames[] = {"tag",    "long_tag", "descriptor",        "message",         "date",
                              "range",  "unit",     "damping",           "transfer_function", "polling_address",
                              "loop_current_mode"};

QString single(float f) { return shortestSingle(f); }

std::optional<QString> textAt(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? std::optional<QString>(v.toString()) : std::nullopt;
}

template <typename T> std::optional<T> numberAt(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? std::optional<T>(T(v.toDouble())) : std::nullopt;
}

// Packed ASCII comes back in upper case and padded: "pt-201" was written as asked when
// "PT-201" is read back.
QString packedForm(const std::optional<QString>& s) { return s ? s->toUpper().trimmed() : QString(); }

std::optional<float> number(const QString& text)
{
    bool ok = false;
    const float f = text.trimmed().toFloat(&ok);
    return ok && std::isfinite(f) ? std::optional<float>(f) : std::nullopt;
}

} // namespace

QString name(Key key) { return QLatin1String(kNames[int(key)]); }

std::optional<Key> named(const QString& text)
{
    for (Key k : kKeys)
        if (name(k) == text) return k;
    return std::nullopt;
}

Settings fromSnapshot(const QJsonObject& s)
{
    Settings out;
    out.tag = textAt(s, "tag");
    out.longTag = textAt(s, "long_tag");
    out.descriptor = textAt(s, "descriptor");
    out.message = textAt(s, "message");
    if (const auto date = textAt(s, "date")) {
        const QDate d = QDate::fromString(*date, Qt::ISODate);
        if (d.isValid()) out.date = d;
    }
    const QJsonObject pv = s.value("pv").toObject();
    out.unit = numberAt<int>(pv, "unit_code");
    out.lower = numberAt<float>(pv, "lower_range");
    out.upper = numberAt<float>(pv, "upper_range");
    out.damping = numberAt<float>(pv, "damping_s");
    out.transferFunction = numberAt<int>(pv, "transfer_function_code");
    out.pollingAddress = numberAt<int>(s, "polling_address");
    if (const auto mode = textAt(s, "loop_current_mode"); mode == u"enabled" || mode == u"disabled")
        out.loopCurrentEnabled = *mode == u"enabled";
    return out;
}

QString text(const Settings& s, Key key)
{
    const QString none = QStringLiteral("-");
    auto quoted = [&](const std::optional<QString>& t) { return t ? u'"' + *t + u'"' : none; };
    switch (key) {
    case Key::Tag: return quoted(s.tag);
    case Key::LongTag: return quoted(s.longTag);
    case Key::Descriptor: return quoted(s.descriptor);
    case Key::Message: return quoted(s.message);
    case Key::Date: return s.date ? s.date->toString(Qt::ISODate) : none;
    case Key::Range:
        return s.lower && s.upper ? QStringLiteral("%1 to %2").arg(single(*s.lower), single(*s.upper)) : none;
    case Key::Unit:
        return s.unit ? QStringLiteral("%1 (%2)").arg(InstrumentTables::unitName(*s.unit)).arg(*s.unit) : none;
    case Key::Damping: return s.damping ? single(*s.damping) + QStringLiteral(" s") : none;
    case Key::TransferFunction:
        return s.transferFunction
                   ? QStringLiteral("%1 (%2)").arg(InstrumentTables::transferFunction(*s.transferFunction)).arg(*s.transferFunction)
                   : none;
    case Key::PollingAddress: return s.pollingAddress ? QString::number(*s.pollingAddress) : none;
    case Key::LoopCurrentMode:
        return s.loopCurrentEnabled ? (*s.loopCurrentEnabled ? QStringLiteral("enabled") : QStringLiteral("disabled")) : none;
    }
    return none;
}

QString assign(Settings& s, const QString& assignment)
{
    const qsizetype equals = assignment.indexOf(u'=');
    const QString keyText = assignment.left(equals), value = assignment.mid(equals + 1);
    const auto key = named(keyText);
    if (equals < 0 || !key) {
        QStringList names;
        for (Key k : kKeys) names << name(k);
        return QStringLiteral("'%1' is not KEY=VALUE with a KEY among %2").arg(assignment, names.join(QStringLiteral(", ")));
    }
    const QString k = name(*key);
    switch (*key) {
    case Key::Tag: s.tag = value; return {};
    case Key::LongTag: s.longTag = value; return {};
    case Key::Descriptor: s.descriptor = value; return {};
    case Key::Message: s.message = value; return {};
    case Key::Date: {
        const QDate d = QDate::fromString(value, Qt::ISODate);
        if (!d.isValid() || value.size() != 10) return QStringLiteral("%1 takes a day as YYYY-MM-DD, not '%2'").arg(k, value);
        s.date = d;
        return {};
    }
    case Key::Range: {
        const QStringList parts = value.split(u':');
        const auto lower = number(parts.value(0)), upper = number(parts.value(1));
        if (parts.size() != 2 || !lower || !upper)
            return QStringLiteral("%1 takes LOWER:UPPER in the range's unit, such as 0:250, not '%2'").arg(k, value);
        s.lower = lower;
        s.upper = upper;
        return {};
    }
    case Key::Unit: {
        const auto code = InstrumentTables::unitCode(value);
        if (!code) return QStringLiteral("%1 takes a unit code or name from the unit table (12 or kPa), not '%2'").arg(k, value);
        s.unit = code;
        return {};
    }
    case Key::Damping: {
        const auto seconds = number(value);
        if (!seconds) return QStringLiteral("%1 takes seconds, such as 0.5, not '%2'").arg(k, value);
        s.damping = seconds;
        return {};
    }
    case Key::TransferFunction: {
        const auto code = InstrumentTables::transferFunctionCode(value);
        if (!code) return QStringLiteral("%1 takes a code or a name (0 or linear, 1 or square root), not '%2'").arg(k, value);
        s.transferFunction = code;
        return {};
    }
    case Key::PollingAddress: {
        bool ok = false;
        const int address = value.toInt(&ok);
        if (!ok || address < 0 || address > 63) return QStringLiteral("%1 takes 0 to 63, not '%2'").arg(k, value);
        s.pollingAddress = address;
        return {};
    }
    case Key::LoopCurrentMode:
        if (value != u"enabled" && value != u"disabled") return QStringLiteral("%1 takes enabled or disabled, not '%2'").arg(k, value);
        s.loopCurrentEnabled = value == u"enabled";
        return {};
    }
    return {};
}

bool differs(const Settings& now, const Settings& wanted, Key key)
{
    switch (key) {
    case Key::Tag: return wanted.tag && packedForm(wanted.tag) != packedForm(now.tag);
    case Key::Descriptor: return wanted.descriptor && packedForm(wanted.descriptor) != packedForm(now.descriptor);
    case Key::Message: return wanted.message && packedForm(wanted.message) != packedForm(now.message);
    case Key::LongTag: return wanted.longTag && (!now.longTag || wanted.longTag->trimmed() != now.longTag->trimmed());
    case Key::Date: return wanted.date && wanted.date != now.date;
    case Key::Range: return wanted.lower && wanted.upper && (wanted.lower != now.lower || wanted.upper != now.upper);
    case Key::Unit: return wanted.unit && wanted.unit != now.unit;
    case Key::Damping: return wanted.damping && wanted.damping != now.damping;
    case Key::TransferFunction: return wanted.transferFunction && wanted.transferFunction != now.transferFunction;
    case Key::PollingAddress: return wanted.pollingAddress && wanted.pollingAddress != now.pollingAddress;
    case Key::LoopCurrentMode: return wanted.loopCurrentEnabled && wanted.loopCurrentEnabled != now.loopCurrentEnabled;
    }
    return false;
}

Plan plan(const Settings& now, const Settings& asked, int hartRevision,
          const std::optional<InstrumentWrites::SensorLimits>& sensor)
{
    using namespace InstrumentWrites;
    Plan p;
    // Packed text is sent in upper case; the plan shows it so.
    Settings wanted = asked;
    for (auto* packed : {&wanted.tag, &wanted.descriptor, &wanted.message})
        if (*packed) *packed = (*packed)->toUpper();
    for (Key k : kKeys)
        if (differs(now, wanted, k)) p.changes.push_back({k, text(now, k), text(wanted, k)});
    // A write is checked by reading it back; what the instrument does not report cannot be.
    for (const Change& c : p.changes)
        if (c.old == u"-" && c.key != Key::LongTag)
            p.refusals << QStringLiteral("%1: the instrument did not report it, so a write could not be read back")
                              .arg(name(c.key));
    auto changed = [&](Key k) { return differs(now, wanted, k); };
    auto add = [&p](Request r) {
        if (r.ok()) p.requests.push_back(std::move(r));
        else p.refusals << r.refused;
    };

    const int unit = wanted.unit.value_or(now.unit.value_or(0));
    if (changed(Key::Unit)) add(pvUnit(uint8_t(unit)));
    if (changed(Key::Range)) {
        if (!wanted.unit && !now.unit) p.refusals << QStringLiteral("the range's unit is not known; give unit= too");
        else add(range(uint8_t(unit), *wanted.lower, *wanted.upper, sensor));
    }
    if (changed(Key::Damping)) add(damping(*wanted.damping));
    if (changed(Key::TransferFunction)) add(transferFunction(uint8_t(*wanted.transferFunction)));
    if (changed(Key::Tag) || changed(Key::Descriptor) || changed(Key::Date)) {
        // One command carries all three: what is not changed goes as it was read.
        const auto tag = wanted.tag ? wanted.tag : now.tag, descriptor = wanted.descriptor ? wanted.descriptor : now.descriptor;
        const auto date = wanted.date ? wanted.date : now.date;
        if (!tag || !descriptor || !date)
            p.refusals << QStringLiteral("the tag, descriptor and date are written together, and the instrument did "
                                         "not tell all three; give each of them");
        else add(tagDescriptorDate(*tag, *descriptor, *date));
    }
    if (changed(Key::Message)) add(message(*wanted.message));
    if (changed(Key::LongTag)) {
        if (hartRevision < 6) p.refusals << QStringLiteral("the long tag needs HART 6 or later; this instrument speaks HART %1").arg(hartRevision);
        else add(longTag(*wanted.longTag));
    }
    // Last: a polling address change is where a PLC stops finding the instrument.
    if (changed(Key::PollingAddress) || changed(Key::LoopCurrentMode)) {
        const int address = wanted.pollingAddress.value_or(now.pollingAddress.value_or(0));
        // An instrument that did not say keeps the old rule: the loop current is on at address 0 only.
        const bool loop = wanted.loopCurrentEnabled.value_or(now.loopCurrentEnabled.value_or(address == 0));
        add(pollingAddress(address, loop));
        if (changed(Key::PollingAddress))
            p.warnings << QStringLiteral("polling address %1 to %2: in the converter's MODBUS modes device slot n polls "
                                         "polling address n, so the registers of slot %1 stop following this instrument")
                              .arg(text(now, Key::PollingAddress))
                              .arg(address);
        if (!loop)
            p.warnings << QStringLiteral("loop current disabled: the analog output parks at 4 mA and no longer carries "
                                         "the measurement");
    }
    if (changed(Key::Range) || changed(Key::Unit))
        p.warnings << QStringLiteral("the range or unit changes: the analog signal moves, and so must the PLC's scaling "
                                     "of 4 to 20 mA (now %1 %2)")
                          .arg(text(wanted.lower ? wanted : now, Key::Range), InstrumentTables::unitName(unit));
    return p;
}

std::vector<Key> notAsAsked(const Plan& plan, const Settings& wanted, const Settings& readBack)
{
    std::vector<Key> out;
    for (const Change& c : plan.changes)
        if (differs(readBack, wanted, c.key)) out.push_back(c.key);
    return out;
}

} // namespace WritableSettings
