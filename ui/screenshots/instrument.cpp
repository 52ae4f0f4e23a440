// Saves a picture of the Instrument window after a reading of one of the stand-in's
// instruments, without a display:
//   vk742b-instrument-screenshot [--dark] [--address N] [--sim SWITCH]... SIM OUT.png
// SIM is the stand-in's program; the instrument is read at polling address N (5, the
// HART 7 one, unless told). The text size follows the environment (QT_FONT_DPI).
#include "ui/TForm1.h"
#include "ui/instrument/InstrumentWindow.h"
#include "ui/screenshots/DarkPalette.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
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

    QTemporaryDir dir;
    const QString link = dir.filePath("vk742b-sim");
    QProcess sim;
    sim.start(positional[0], QStringList{"--link", link} + args.values("sim"));
    if (!QTest::qWaitFor([&] { return QFile::exists(link); }, 5000)) return 1;

    TForm1 window;
    window.show();
    window.findChild<QComboBox*>("SPREALCOM")->setEditText(link);
    window.findChild<QPushButton*>("Button1")->click();
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
    const QString out = positional[1];
    QImageWriter writer(out, "png");
    writer.setQuality(0);
    const bool written = writer.write(instrument->grab().toImage());
    sim.terminate();
    sim.waitForFinished();
    if (!written) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(out), qPrintable(writer.errorString()));
        return 1;
    }
    return read ? 0 : 1;
}
