#pragma once

#include "live/LiveSource.h"
#include "pages/hart/HartCodec.h"

#include <array>
#include <optional>

// What an instrument on the HART loop says, through the converter in transparent mode:
// command 3 (loop current, PV, SV, TV and QV with their units, and the two status bytes)
// to one polling address. The long frame needs the instrument's identity, which command 0
// to the polling address gives first, and again after command 3 went unanswered (another
// instrument may have taken the address).
class HartSource : public LiveSource {
public:
    explicit HartSource(int pollAddress);

    QString name() const override;
    std::vector<LiveColumn> columns() const override;
    void begin() override;
    std::optional<SessionRequest> next() override;
    Result take(const SessionOutcome& outcome) override;
    std::vector<LiveCell> cells() const override;
    QString status() const override { return status_; }

    // Columns: loop current, the four variables, the status bytes.
    static constexpr int kColumns = 6;

private:
    enum class Step { Identify, Read, Done };

    Result takeIdentity(const SessionOutcome& outcome);
    Result takeVariables(const SessionOutcome& outcome);

    int address_;
    Step step_ = Step::Done;
    std::optional<HartCodec::Identity> identity_;
    std::array<std::optional<int>, 4> units_{}; // unit codes of PV to QV, once named
    std::vector<LiveCell> cells_;
    QString status_;
};
