// Saves a picture of the window as a user sees it, without a display:
//   vk742b-screenshots [--dark] [--page N] OUT.png
// The text size follows the environment (QT_FONT_DPI=120 for 125 % text).
#include "ui/TForm1.h"
#include "ui/screenshots/DarkPalette.h"
#include "ui/screenshots/Shooting.h"
#include "ui/screenshots/FewColours.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTabWidget>
#include <QTest>

int main(int argc, char* argv[])
{
    const FreshStart fresh;
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addHelpOption();
    args.addOption({"dark", "Show the window in a dark desktop palette."});
    args.addOption({"page", "Page to show, 1 to 8.", "N", "1"});
    args.addPositionalArgument("out", "PNG file to write.");
    args.process(app);
    if (args.positionalArguments().size() != 1) args.showHelp(2);
    if (args.isSet("dark")) QApplication::setPalette(darkDesktopPalette());

    TForm1 window;
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(args.value("page").toInt() - 1);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTest::qWait(50); // let the diagram pages decode their picture

    return savePng(inFewColours(window.grab().toImage()), args.positionalArguments().first()) ? 0 : 1;
}
