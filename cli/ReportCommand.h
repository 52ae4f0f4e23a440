#pragma once

// The commissioning report on the command line, without a window:
//   vk742b-config report --profile FILE [--instrument FILE]... [--live CSV] [--audit FILE] -o FILE.pdf|.html
//   vk742b-config --port PORT [--baud N] [--parity P] [--log FILE] report [...] -o FILE
// The PDF needs Qt Gui's fonts and text layout: this command alone starts a QGuiApplication,
// on the offscreen platform, so it needs no display. Exit codes: 0 written, 2 trouble.
namespace ReportCommand {

bool requested(int argc, char** argv);
int run(int argc, char** argv);

} // namespace ReportCommand
