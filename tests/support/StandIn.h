#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

// The converter stand-in on its own pseudo-terminal, linked in a scratch folder.
struct StandIn {
    QTemporaryDir dir;
    QProcess process;
    QString link;

    explicit StandIn(const QStringList& switches = {})
    {
        link = dir.filePath("vk742b-sim");
        process.start(VK_SIM_PATH, QStringList{"--link", link} + switches);
        QTRY_VERIFY(QFile::exists(link));
    }
    ~StandIn()
    {
        process.terminate();
        process.waitForFinished(2000);
    }
    // What the stand-in received, with --verbose: one "<-" line per request.
    int requestsSeen()
    {
        const QByteArray log = process.readAllStandardError();
        seen_ += log.count("<- ");
        return seen_;
    }

private:
    int seen_ = 0;
};
