// Saves a picture of the window as a user sees it, without a display:
//   vk742b-screenshots [--dark] [--page N] OUT.png
// The text size follows the environment (QT_FONT_DPI=120 for 125 % text).
#include "ui/TForm1.h"
#include "ui/screenshots/DarkPalette.h"

#include <QApplication>
#include <QHash>
#include <QCommandLineParser>
#include <QFile>
#include <QImageWriter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <climits>
#include <cstdio>

namespace {

// The picture in at most 256 colours: the most frequent ones, each other colour drawn in the
// nearest of them. A window is mostly flat colour, so this keeps every edge and line of text
// while the PNG file stays a fraction of its full-colour size.
QImage inFewColours(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, qint64> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++counts[line[x]];
    }
    QList<QRgb> colours = counts.keys();
    std::sort(colours.begin(), colours.end(), [&](QRgb a, QRgb b) { return counts[a] > counts[b]; });
    colours.resize(std::min<qsizetype>(colours.size(), 256));

    QHash<QRgb, uchar> nearest;
    auto indexOf = [&](QRgb c) {
        auto found = nearest.find(c);
        if (found != nearest.end()) return *found;
        int best = 0, bestDistance = INT_MAX;
        for (int i = 0; i < colours.size(); ++i) {
            const int dr = qRed(c) - qRed(colours[i]), dg = qGreen(c) - qGreen(colours[i]),
                      db = qBlue(c) - qBlue(colours[i]);
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) best = i, bestDistance = distance;
        }
        return nearest[c] = uchar(best);
    };
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* to = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) to[x] = indexOf(line[x]);
    }
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window as a new user first sees it: no remembered choices read, none written.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
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

    const QString out = args.positionalArguments().first();
    QImageWriter writer(out, "png");
    writer.setQuality(0); // for PNG: the smallest file
    if (!writer.write(inFewColours(window.grab().toImage()))) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(out), qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
