// Saves a picture of View > "Live Values" polling the stand-in's instruments, without a
// display:
//   vk742b-live-screenshot [--dark] [--hart LIST] [--sim SWITCH]... SIM SECONDS OUT.png
// SIM is the stand-in's program; the run lasts SECONDS, so that the chart has a curve. Each
// --sim passes one switch to the stand-in (--sim=--status --sim=0:C0 for an instrument
// that reports trouble). The text size follows the environment (QT_FONT_DPI).
#include "live/LiveSampler.h"
#include "serial/Comm.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
#include "ui/live/LiveValuesWindow.h"
#include "ui/screenshots/DarkPalette.h"
#include "ui/screenshots/Shooting.h"
#include "ui/screenshots/FewColours.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

int main(int argc, char* argv[])
{
    const FreshStart fresh;
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addHelpOption();
    args.addOption({"dark", "Show the window in a dark desktop palette."});
    args.addOption({"hart", "HART polling addresses to poll.", "LIST", "0, 1, 2"});
    args.addOption({"sim", "A switch for the stand-in; repeatable.", "SWITCH"});
    args.addPositionalArgument("sim", "The stand-in's program.");
    args.addPositionalArgument("seconds", "How long to poll before the picture.");
    args.addPositionalArgument("out", "PNG file to write.");
    args.process(app);
    const QStringList positional = args.positionalArguments();
    if (positional.size() != 3) args.showHelp(2);
    if (args.isSet("dark")) QApplication::setPalette(darkDesktopPalette());

    StandInPort standIn;
    TForm1 window;
    window.show();
    if (!standIn.open(window, positional[0], args.values("sim"))) return 1;
    for (QAction* menu : window.profileMenus().bar()->actions())
        for (QAction* a : menu->menu()->actions())
            if (a->text() == "Live Values") a->trigger();
    auto* live = window.findChild<LiveValuesWindow*>();
    if (!live || !QTest::qWaitForWindowExposed(live)) return 1;
    live->findChild<QLineEdit*>("LiveHart")->setText(args.value("hart"));
    live->findChild<QSpinBox*>("LiveInterval")->setValue(250);
    live->start();
    // The instruments' temperatures (their second variables) on the chart.
    QTest::qWait(500);
    auto* table = live->findChild<QTableWidget*>("LiveValueTable");
    for (int r = 0; r < table->rowCount(); ++r) {
        const QString key = table->item(r, 0)->text();
        if (key.endsWith(".pv")) table->item(r, 0)->setCheckState(Qt::Unchecked);
        if (key.endsWith(".sv")) table->item(r, 0)->setCheckState(Qt::Checked);
    }
    live->findChild<QPushButton*>("LiveStop")->setFocus();
    QTest::qWait(positional[1].toInt() * 1000);

    const bool written = savePng(inFewColours(live->grab().toImage()), positional[2]);
    live->stop();
    const bool stopped = QTest::qWaitFor([&] { return !live->running(); }, 10000);
    return written && stopped ? 0 : 1;
}
