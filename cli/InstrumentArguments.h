#pragma once

#include "cli/CommandLine.h"
#include "cli/LineArguments.h"

#include <QString>
#include <optional>
#include <vector>

// The instrument command's arguments:
//   --port P [--baud N] [--parity P] [--log FILE] instrument ADDR [--save FILE] [--compare FILE]
//   [--timeout MS]
//   ... instrument ADDR set KEY=VALUE... [--yes] [--reset-changed-flag] [--audit FILE]
//   ... instrument ADDR apply FILE [--keys K,K] [--yes] [--reset-changed-flag] [--audit FILE]
//   ... instrument ADDR loop-test MA [MA...] [--hold SECONDS] [--yes] [--audit FILE]
struct InstrumentArguments : LineArguments {
    enum class Action { Read, Set, Apply, LoopTest };
    Action action = Action::Read;
    int pollingAddress = 0;
    QString save;    // the snapshot goes there; empty for none
    QString compare; // the snapshot to compare with; empty for none
    int timeoutMs = 2000;
    // Writing.
    QStringList assignments; // set: KEY=VALUE, checked
    QString applyFile;       // apply: the snapshot to write
    QStringList keys;        // apply: only these keys (and the tag, long tag and address even from another instrument)
    bool yes = false;
    bool resetChangedFlag = false;
    QString audit; // the audit log; empty for the default
    // The loop test.
    std::vector<float> currents; // mA
    int holdS = 10;
};

namespace InstrumentCommandLine {

// Whether the arguments name the instrument command (the first word that is no option's value).
bool requested(const QStringList& arguments);

// Reads the arguments into `out`; --help's text (exit code 0), or a refusal (exit code 2).
std::optional<CommandLine::Answer> read(const QStringList& arguments, InstrumentArguments& out);

} // namespace InstrumentCommandLine
