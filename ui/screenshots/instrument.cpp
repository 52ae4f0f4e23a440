// Saves a picture of the Instrument window after a reading of one of the stand-in's
// instruments, without a display:
//   vk742b-instrument-screenshot [--dark] [--address N] [--sim SWITCH]... SIM OUT.png
// SIM is the stand-in's program; the instrument is read at polling address N (5, the
// HART 7 one, unless told). The text size follows the environment (QT_FONT_DPI).
#include "ui/TForm1.h"
#include "ui/instrument/InstrumentWindow.h"
#include "ui/screenshots/DarkPalette.h"
#include "ui/screenshots/Shooting.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

int main(int argc, char* argv[])
{
    const FreshStart fresh;
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addHelpOption();
    args.addOption({"dark", "Show the window in a dark desktop palette."});
    args.addOption({"address", "The polling address to read.", "N", "5"});
    args.addOption({"sim", "A switch for the stand-in; repeatable.", "SWITCH"});
    args.addPositionalArgument("sim", "The stand-in's program.");
    args.addPositionalArgument("out", "PNG file to write.");
    args.process(app);
    const QStringList positional = args.positionalArguments();
    if (positional.size() != 2) args.showHelp(2);
    if (args.isSet("dark")) QApplication::setPalette(darkDesktopPalette());

    StandInPort standIn;
    TForm1 window;
    window.show();
    if (!standIn.open(window, positional[0], args.values("sim"))) return 1;
    window.findChild<QPushButton*>("HartInstrument")->click();
    auto* instrument = window.findChild<InstrumentWindow*>();
    if (!instrument || !QTest::qWaitForWindowExposed(instrument)) return 1;
    instrument->findChild<QSpinBox*>("InstrumentAddress")->setValue(args.value("address").toInt());
    QSignalSpy ended(instrument, &InstrumentWindow::readingEnded);
    instrument->read();
    const bool read = ended.wait(60000);
    QTest::qWait(200); // the port back and the buttons enabled again

    // In full colour: reduced to the most frequent 256, the status line's few red pixels
    // would turn grey. The picture stays well under 150 KB all the same.
    if (!savePng(instrument->grab().toImage(), positional[1])) return 1;
    return read ? 0 : 1;
}
