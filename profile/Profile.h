#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

// A converter's settings as a file holds them: each value under its setting's key
// ("system.rs232_rs485a.baud"). Plain data; the schema says what each key accepts.
struct Profile {
    std::map<QString, QJsonValue> values;

    // Reads and checks a whole file. When anything is wrong, returns nothing and lists
    // every bad key with what it accepts in `problems`, and every name given twice in one
    // object; a syntax error is the only problem, with its line and column. Names from the
    // file have their control characters escaped (TerminalText), so the problems may be
    // printed as they are.
    static std::optional<Profile> fromJson(const QByteArray& json, QStringList& problems);
    // The file: format name and version, then the settings nested by their keys.
    QByteArray toJson() const;

    // A choice's code, its index among the values the setting accepts ("float_swapped" is 1);
    // nothing when the key is absent or holds no value it accepts.
    std::optional<int> choice(const QString& key) const;
    // The value's text as the file writes it: "9600", "\"None\"", "true"; "-" when absent.
    QString text(const QString& key) const;

    bool operator==(const Profile&) const = default;
};

// One row of a comparison: the setting, its value in the profile and in the converter.
struct ProfileDifference {
    QString key;
    QString profile;
    QString converter;
    bool same = false;
};

// Every setting of the profile, in the schema's order, beside the converter's value.
std::vector<ProfileDifference> compareProfiles(const Profile& profile, const Profile& converter);
