#include "cli/CommandLine.h"
#include "cli/InstrumentCommand.h"
#include "cli/MonitorCommand.h"
#include "cli/ProfileCommand.h"
#include "cli/RegmapCommand.h"
#include "cli/ReportCommand.h"
#include "cli/ScanCommand.h"
#include "cli/StopSignals.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <csignal>

int main(int argc, char* argv[])
{
    // A save past a file-size limit must fail with its message, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setApplicationName("vk742b-config");
    QCoreApplication::setApplicationVersion(VK742B_VERSION);
    if (MonitorCommand::requested(argc, argv)) return MonitorCommand::run(argc, argv);
    if (InstrumentCommand::requested(argc, argv)) return InstrumentCommand::run(argc, argv);
    if (RegmapCommand::requested(argc, argv)) return RegmapCommand::run(argc, argv);
    if (ReportCommand::requested(argc, argv)) return ReportCommand::run(argc, argv);
    if (const auto answer = CommandLine::answerBeforeWindow(CommandLine::fromArgv(argc, argv)))
        return CommandLine::deliver(*answer);
    if (ScanCommand::requested(argc, argv)) return ScanCommand::run(argc, argv);
    if (ProfileCommand::requested(argc, argv)) return ProfileCommand::run(argc, argv);
    if (const auto refusal = CommandLine::checkDisplay(QProcessEnvironment::systemEnvironment(),
                                                             CommandLine::fromArgv(argc, argv)))
        return CommandLine::deliver(*refusal);

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(VK742B_APP_ID);
    if (const auto answer = CommandLine::checkWindowArguments(app.arguments()))
        return CommandLine::deliver(*answer);

    TForm1 window;
    window.show();
    // SIGINT and SIGTERM close the window as its close button does, so that a write or a
    // loop test under way ends first and leaves the instrument out of fixed current mode.
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::received, &window, &QWidget::close);
    return app.exec();
}
