// Saves a picture of the Register Map window, without a display:
//   vk742b-regmap-screenshot PROFILE OUT.png
// The map is that of PROFILE with device slots 0, 2 and 4 switched on, as the window shows
// it after a whole read of such a converter.
#include "exchange/Messages.h"
#include "files/ReadFile.h"
#include "ui/RegisterMapDialog.h"
#include "ui/screenshots/FewColours.h"
#include "ui/screenshots/Shooting.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <cstdio>

namespace {

struct Silent : MessageSink {
    void inform(const QString&) override {}
    void error(const QString&, const QString&) override {}
};

} // namespace

int main(int argc, char* argv[])
{
    const FreshStart fresh;
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: %s PROFILE OUT.png\n", qPrintable(args.value(0)));
        return 2;
    }
    const ReadFile::Result file = ReadFile::read(QFile::encodeName(args[1]), ReadFile::kProfileLimit);
    QStringList problems;
    auto profile = file.ok() ? Profile::fromJson(file.bytes, problems) : std::nullopt;
    if (!profile) {
        std::fprintf(stderr, "%s: not a profile\n", qPrintable(args[1]));
        return 1;
    }
    for (int slot : {0, 2, 4}) profile->values[QStringLiteral("modbus.devices[%1].enabled").arg(slot)] = true;
    profile->values["modbus.devices[2].formats.current"] = "float";
    profile->values["modbus.devices[2].formats.variable_1"] = "float";

    Silent messages;
    RegisterMapDialog dialog(*profile, {RegisterMap::Source::Window, {}, QDateTime(QDate(2026, 3, 4), QTime(9, 30))},
                             messages, nullptr);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.resize(1100, 600);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return 1;
    return savePng(inFewColours(dialog.grab().toImage()), args[2]) ? 0 : 1;
}
