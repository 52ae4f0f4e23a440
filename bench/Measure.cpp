#include "bench/Measure.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QTextStream>
#include <sys/resource.h>
#include <unistd.h>

double processCpu()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long workerWakeups()
{
    long total = 0;
    const QString self = QString::number(getpid());
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (task == self) continue;
        QFile status("/proc/self/task/" + task + "/status");
        if (!status.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches:")) total += line.split(':').last().trimmed().toLong();
    }
    return total;
}

void printRow(const QString& figure, const QString& ours, const QString& peer, const QString& ratio,
              const QString& target)
{
    QTextStream(stdout) << "| " << figure << " | " << ours << " | " << peer << " | " << ratio
                        << " | " << target << " |\n";
}

bool waitUntil(const std::function<bool()>& done, int limitMs)
{
    QEventLoop loop;
    QTimer check, limit;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start(1);
    limit.setSingleShot(true);
    limit.start(limitMs);
    if (!done()) loop.exec();
    return done();
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}
