#pragma once

#include "profile/Profile.h"

#include <QFile>
#include <QtTest>

// The full example profile with slots 0, 2 and 4 enabled in mixed formats, in multi-slave
// mode. Slot 0: float CDAB, uint32 ABCD, uint32 CDAB, magnitude CDAB, float CDAB;
// slot 2: float ABCD, float ABCD, uint32 CDAB, magnitude CDAB, magnitude CDAB;
// slot 4: float CDAB, uint32 ABCD, uint32 CDAB, magnitude CDAB, float CDAB.
inline Profile mapProfile()
{
    QFile file(QFINDTESTDATA("../profile/full.json"));
    if (!file.open(QIODevice::ReadOnly)) qFatal("no full.json");
    QStringList problems;
    auto profile = Profile::fromJson(file.readAll(), problems);
    if (!profile) qFatal("full.json: %s", qPrintable(problems.join("; ")));
    for (int slot : {0, 2, 4}) profile->values[QStringLiteral("modbus.devices[%1].enabled").arg(slot)] = true;
    profile->values["modbus.devices[2].formats.current"] = "float";
    profile->values["modbus.devices[2].formats.variable_1"] = "float";
    return *profile;
}
