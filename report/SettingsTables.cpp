#include "report/SettingsTables.h"

#include "profile/ProfileSchema.h"

#include <QRegularExpression>
#include <map>

namespace SettingsTables {
namespace {

// The words of the keys that are not plain English spelled with underscores.
const std::pair<const char*, const char*> kWords[] = {
    {"rs232_rs485a", "RS232/RS485A"}, {"rs485a", "RS485A"}, {"rs485b", "RS485B"}, {"modbus", "MODBUS"},
};

struct Family {
    QString title;
    QString header;              // the column of member n: "Slot %1"
    int first = 0, count = 0;    // the numbers the columns carry
    QRegularExpression pattern;  // the family's key, with the member's index and the rest
};

const std::vector<Family>& families()
{
    static const std::vector<Family> list{
        {QStringLiteral("Device slots"), QStringLiteral("Slot %1"), 0, 5,
         QRegularExpression(QStringLiteral("^modbus\\.devices\\[(\\d+)\\]\\.(.+)$"))},
        {QStringLiteral("Monitoring commands"), QStringLiteral("Command %1"), 1, 6,
         QRegularExpression(QStringLiteral("^monitoring\\[(\\d+)\\]\\.(.+)$"))},
    };
    return list;
}

// The table a key of no family goes in, by its first word.
QString singleTitle(const QString& key)
{
    if (key.startsWith(u"system.")) return QStringLiteral("Converter");
    if (key.startsWith(u"modbus.coefficients.")) return QStringLiteral("Coefficients");
    return QStringLiteral("MODBUS module");
}

} // namespace

QString label(const QString& keyPart)
{
    QString text = keyPart;
    // A list index counts from 1 for people: "parsing[0]" is parsing 1.
    static const QRegularExpression index(QStringLiteral("\\[(\\d+)\\]"));
    for (auto m = index.match(text); m.hasMatch(); m = index.match(text))
        text.replace(m.capturedStart(), m.capturedLength(), QStringLiteral(" %1").arg(m.captured(1).toInt() + 1));
    static const QRegularExpression unit(QStringLiteral("_(ms|s)(?=$|\\.)"));
    text.replace(unit, QStringLiteral(" (\\1)"));
    for (const auto& [word, shown] : kWords) {
        const QRegularExpression whole(QStringLiteral("(^|[._])%1(?=$|[._])").arg(QLatin1String(word)));
        text.replace(whole, QStringLiteral("\\1") + QLatin1String(shown));
    }
    text.replace(u'.', QStringLiteral(", ")).replace(u'_', u' ');
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

QString valueText(const Profile& profile, const QString& key)
{
    const auto at = profile.values.find(key);
    if (at == profile.values.end()) return QStringLiteral("-");
    const QJsonValue& v = at->second;
    if (v.isBool()) return v.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    if (v.isString()) return v.toString();
    return profile.text(key);
}

std::vector<Table> tables(const Profile& profile)
{
    std::vector<Table> out;
    std::map<QString, size_t> tableAt;
    // Rows of a family's table by the key's rest, so slot 3's "enabled" lands in slot 0's row.
    std::map<QString, std::map<QString, size_t>> rowAt;
    const auto table = [&](const QString& title, const QStringList& columns) -> Table& {
        const auto [it, added] = tableAt.emplace(title, out.size());
        if (added) out.push_back({title, columns, {}});
        return out[it->second];
    };

    for (const ProfileSchema::Setting& s : ProfileSchema::settings()) {
        const Family* family = nullptr;
        QRegularExpressionMatch match;
        for (const Family& f : families())
            if ((match = f.pattern.match(s.key)).hasMatch()) {
                family = &f;
                break;
            }
        if (!family) {
            const QString title = singleTitle(s.key);
            QString rest = s.key.section(u'.', 1);
            if (title == u"Coefficients") rest = s.key.section(u'.', 2);
            table(title, {QStringLiteral("Setting"), QStringLiteral("Value")})
                .rows.push_back({label(rest), valueText(profile, s.key)});
            continue;
        }
        // A custom meter's settings are held for custom slots only: their rows come with
        // the first slot that holds them.
        if (s.customOnly && !profile.values.count(s.key)) continue;
        QStringList columns{QStringLiteral("Setting")};
        for (int n = 0; n < family->count; ++n) columns << family->header.arg(family->first + n);
        Table& t = table(family->title, columns);
        const QString rest = match.captured(2);
        const int member = match.captured(1).toInt();
        if (member < 0 || member >= family->count) continue;
        auto [row, added] = rowAt[family->title].emplace(rest, t.rows.size());
        if (added) {
            QStringList cells{label(rest)};
            for (int n = 0; n < family->count; ++n) cells << QStringLiteral("-");
            t.rows.push_back(cells);
        }
        t.rows[row->second][member + 1] = valueText(profile, s.key);
    }
    return out;
}

} // namespace SettingsTables
