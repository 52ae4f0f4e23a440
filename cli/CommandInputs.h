#pragma once

#include "cli/TrafficLogFile.h"
#include "profile/Profile.h"
#include "serial/Comm.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// What the map and report commands read before they write: a profile file, instrument
// snapshots, or the whole converter. Each says its trouble on stderr and gives nothing.
namespace CommandInputs {

// `consequence` follows the refusal's first line: "; nothing was sent".
std::optional<Profile> loadProfile(const QByteArray& path, const QString& consequence = {});

// The snapshot files named on the command line (argv's bytes), each with its path. One
// per polling address: of two at one address, which the slot polls could not be told.
using Snapshots = std::vector<std::pair<QByteArray, QJsonObject>>;
std::optional<Snapshots> loadSnapshots(int argc, char** argv, const QStringList& files);

struct Converter {
    Profile profile;
    QString identity; // the link check's reply: "VK742-B V6.0"; empty when not asked or not answered
};
// Reads the whole converter, after the link check when `askIdentity`; progress on stderr.
std::optional<Converter> readConverter(TComm& port, TrafficLogFile& log, bool askIdentity = false);

} // namespace CommandInputs
