#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The instrument snapshot file: reading one back, checked, and comparing two. No I/O beyond
// the bounded read of the file itself.
namespace SnapshotFile {

inline constexpr char kFormatName[] = "vk742b-instrument";
inline constexpr int kVersion = 1;
// A snapshot is some 4 KiB.
constexpr qint64 kSizeLimit = qint64(1) << 20;

// A snapshot from its text: nothing, with every problem listed, when it is not JSON, gives
// a name twice, is of another format or version, or lacks a key the comparison reads (a
// key may be null) or holds one of the wrong type.
std::optional<QJsonObject> fromJson(const QByteArray& json, QStringList& problems);
// The same from a file, by its name's own bytes; problems start with the file's name.
std::optional<QJsonObject> load(const QByteArray& path, QStringList& problems);

// One configuration key whose value differs: "pv.damping_s", "0.5", "2" (JSON text; null
// for a value the instrument did not give).
struct Difference {
    QString key, old, now;
};
// The configuration keys of `now` that differ from `old`, in the file's order: identity,
// polling address, tags and texts, date, PV output, sensor, assignments, classifications,
// loop current mode. Diagnostics, the time of reading and the variables' values and
// statuses never differ.
std::vector<Difference> compare(const QJsonObject& old, const QJsonObject& now);

// The keys compare() looks at, dotted ("identity.device_id").
const QStringList& configurationKeys();

} // namespace SnapshotFile
