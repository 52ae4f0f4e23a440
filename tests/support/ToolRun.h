#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// A command-line program run to its end: its exit code, -1 when it crashed or had to be
// killed for running past the limit, and what it printed.
struct ToolRun {
    int code = -1;
    QString out, err;
};

// Waits for a started process; one still running after `limitMs` is killed.
inline ToolRun finish(QProcess& p, int limitMs)
{
    if (!p.waitForFinished(limitMs)) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, QStringLiteral("did not end")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

#ifdef VK_CONFIG_PATH
// vk742b-config with these arguments.
inline ToolRun runTool(const QStringList& arguments, int limitMs = 90000,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(VK_CONFIG_PATH, arguments);
    return finish(p, limitMs);
}
#endif
