#pragma once

#include "live/LiveSource.h"
#include "live/RegisterFormat.h"

// What a PLC reads of one device slot: holding registers 10n to 10n+9 with function 03
// from the converter's slave address, one request per cycle, and the slot's five values
// decoded by their register formats.
class ModbusSource : public LiveSource {
public:
    ModbusSource(int slave, int slot, RegisterFormat::SlotFormats formats);

    QString name() const override;
    std::vector<LiveColumn> columns() const override;
    void begin() override;
    std::optional<SessionRequest> next() override;
    Result take(const SessionOutcome& outcome) override;
    std::vector<LiveCell> cells() const override;
    QString status() const override { return status_; }

private:
    int slave_;
    int slot_;
    RegisterFormat::SlotFormats formats_;
    bool asked_ = false;
    std::vector<LiveCell> cells_;
    QString status_;
};
