// Saves a picture of View > "Live Values" polling the stand-in's three instruments, without
// a display:
//   vk742b-live-screenshot SIM SECONDS OUT.png
// SIM is the stand-in's program; the run lasts SECONDS, so that the chart has a curve.
#include "live/LiveSampler.h"
#include "serial/Comm.h"
#include "ui/ProfileMenus.h"
#include "ui/TForm1.h"
#include "ui/live/LiveValuesWindow.h"
#include "ui/screenshots/FewColours.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImageWriter>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: vk742b-live-screenshot SIM SECONDS OUT.png\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString link = dir.filePath("vk742b-sim");
    QProcess sim;
    sim.start(args[1], {"--link", link});
    if (!QTest::qWaitFor([&] { return QFile::exists(link); }, 5000)) return 1;

    TForm1 window;
    window.show();
    window.findChild<QComboBox*>("SPREALCOM")->setEditText(link);
    window.findChild<QPushButton*>("Button1")->click();
    for (QAction* menu : window.profileMenus().bar()->actions())
        for (QAction* a : menu->menu()->actions())
            if (a->text() == "Live Values") a->trigger();
    auto* live = window.findChild<LiveValuesWindow*>();
    if (!live || !QTest::qWaitForWindowExposed(live)) return 1;
    live->findChild<QLineEdit*>("LiveHart")->setText("0, 1, 2");
    live->findChild<QSpinBox*>("LiveInterval")->setValue(250);
    live->start();
    // The three temperatures (the instruments' second variables) on the chart.
    QTest::qWait(500);
    auto* table = live->findChild<QTableWidget*>("LiveValueTable");
    for (int r = 0; r < table->rowCount(); ++r) {
        const QString key = table->item(r, 0)->text();
        if (key.endsWith(".pv")) table->item(r, 0)->setCheckState(Qt::Unchecked);
        if (key.endsWith(".sv")) table->item(r, 0)->setCheckState(Qt::Checked);
    }
    live->findChild<QPushButton*>("LiveStop")->setFocus();
    QTest::qWait(args[2].toInt() * 1000);

    const QString out = args[3];
    QImageWriter writer(out, "png");
    writer.setQuality(0);
    const bool written = writer.write(inFewColours(live->grab().toImage()));
    live->stop();
    const bool stopped = QTest::qWaitFor([&] { return !live->running(); }, 10000);
    sim.terminate();
    sim.waitForFinished();
    if (!written) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(out), qPrintable(writer.errorString()));
        return 1;
    }
    return stopped ? 0 : 1;
}
