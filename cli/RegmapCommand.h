#pragma once

// The register map on the command line, without a window:
//   vk742b-config regmap --profile FILE [--format csv|md|html] [-o FILE] [--all] [--instrument FILE]...
//   vk742b-config --port PORT [--baud N] [--parity P] [--log FILE] regmap [...]
// The second form reads the whole converter into a profile first. Exit codes: 0 written,
// 2 trouble.
namespace RegmapCommand {

// Whether the arguments name the regmap command.
bool requested(int argc, char** argv);
// Runs it under a QCoreApplication of its own.
int run(int argc, char** argv);

} // namespace RegmapCommand
