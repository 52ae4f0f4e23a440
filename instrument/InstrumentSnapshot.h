#pragma once

#include "pages/hart/InstrumentReplies.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <cstdint>
#include <optional>

// What one reading of an instrument found: each reading command's reply as decoded, empty
// for a command that was not asked or gave nothing (the reason is among the notes). Plain
// data; InstrumentRead fills it, the snapshot file is written from it.
struct InstrumentSnapshot {
    QDateTime readAt; // UTC
    int pollingAddress = 0;
    InstrumentReplies::Identity identity;                 // command 0
    InstrumentReplies::LoopConfiguration loop;            // 7
    InstrumentReplies::DynamicCodes classifications;      // 8
    InstrumentReplies::Text message;                      // 12
    InstrumentReplies::TagDescriptorDate tag;             // 13
    InstrumentReplies::Transducer sensor;                 // 14
    InstrumentReplies::Output output;                     // 15
    InstrumentReplies::FinalAssembly finalAssembly;       // 16
    InstrumentReplies::Text longTag;                      // 20
    InstrumentReplies::AdditionalStatus additionalStatus; // 48
    InstrumentReplies::DynamicCodes assignments;          // 50
    InstrumentReplies::Variables variables;               // 9 or 33, gathered over its requests
    std::optional<uint8_t> deviceStatus;                  // the field device status last reported
    // One line for each command that gave nothing or less than its layout:
    // "command 14 (sensor): response code 64: command not implemented".
    QStringList notes;

    int hartRevision() const { return identity.hartRevision.value_or(5); }
    // The file: format and version first, then the keys docs/instrument-snapshot.md lists.
    QByteArray toJson() const;
    // The file as it reads back: what the groups, the comparison and the writes work from,
    // so that they see exactly what a saved snapshot holds.
    QJsonObject document() const;
};
