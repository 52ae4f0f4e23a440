#pragma once

#include "pages/hart/HartCodec.h"
#include "pages/hart/HartCommands.h"
#include "session/ConverterSession.h"
#include "session/HartRequest.h"

#include <QtTest>
#include <optional>

// The field device status the instrument at `address` gives command 3 now; nothing without
// an answer. Whether it still says "loop current fixed" (0x08) is what a loop test leaves.
inline std::optional<uint8_t> hartStatusNow(ConverterSession& session, int address)
{
    std::optional<uint8_t> status;
    bool done = false;
    session.send(hartRequest(HartCodec::shortFrame(5, HartCodec::kMasterBit, uint8_t(address), 3)), [&](const SessionOutcome& o) {
        if (const auto v = HartCommands::dynamicVariables(o.reply)) status = v->status.second;
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done; }, 10000);
    return status;
}
