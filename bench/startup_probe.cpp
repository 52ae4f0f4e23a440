// Start-up probe: shows a window, then prints its peak resident memory (KiB) and ends; the
// runner times it from process start to that line. Built twice: with the tool's window
// and with a window of one label.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QLabel>
#include <cstdio>

#ifdef PROBE_TOOL
#include "ui/TForm1.h"
#endif


int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
#ifdef PROBE_TOOL
    TForm1 window;
#else
    // The smallest window that still shows text, so both pay for font set-up.
    QLabel window(QStringLiteral("VK742-B"));
    window.resize(1110, 658);
#endif
    window.show();
    QTimer::singleShot(0, [&] {
        // VmHWM, not getrusage: its peak survives exec and would include the parent's.
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        long peak = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:")) peak = line.mid(6).trimmed().split(' ').first().toLong();
        std::printf("%ld\n", peak);
        std::fflush(stdout);
        app.quit();
    });
    return app.exec();
}
