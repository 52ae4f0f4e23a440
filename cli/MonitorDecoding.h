#pragma once

#include "live/RegisterFormat.h"

#include <QJsonValue>
#include <QString>
#include <map>
#include <optional>
#include <vector>

class ConverterSession;

// What the monitor needs to read device slots' registers: each slot's register formats and
// the converter's slave address, as a profile holds them or as the converter tells them.
struct MonitorDecoding {
    std::map<int, RegisterFormat::SlotFormats> formats;
    std::optional<int> slave;
    // As the profile or the system query gives it: "transparent", "single_meter", ...
    std::optional<QString> workingMode;

    // From a profile's values: the formats of every slot it holds, and its slave address.
    static MonitorDecoding fromValues(const std::map<QString, QJsonValue>& values);

    // Asks the converter on the session, one query after another: the MODBUS parameter
    // query of each slot for its formats, then, with `withSlave`, the system query for the
    // slave address. Returns when they are done: empty on success, else which query failed,
    // for which slot, and why; `out` is set only on success.
    static QString read(ConverterSession& session, const std::vector<int>& deviceSlots, bool withSlave,
                        MonitorDecoding& out);
};
