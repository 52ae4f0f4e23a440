#pragma once

// What the README's picture programs share: a fresh start, the stand-in with the window's
// port opened on it, and the PNG they write.
#include "ui/TForm1.h"

#include <QComboBox>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

// Made before the application: the offscreen platform unless another is chosen, and a
// configuration folder of its own, so the window is as a new user first sees it: no
// remembered choices read, none written.
struct FreshStart {
    QTemporaryDir config;
    FreshStart()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }
};

// The stand-in on a pseudo-terminal of its own, linked in a scratch folder; it ends with
// this object.
struct StandInPort {
    QTemporaryDir dir;
    QProcess sim;
    QString link = dir.filePath("vk742b-sim");

    ~StandInPort()
    {
        sim.terminate();
        sim.waitForFinished();
    }
    // Starts `program` with `switches` and opens the window's port on it; false when the
    // stand-in's link does not come.
    bool open(TForm1& window, const QString& program, const QStringList& switches = {})
    {
        sim.start(program, QStringList{"--link", link} + switches);
        if (!QTest::qWaitFor([&] { return QFile::exists(link); }, 5000)) return false;
        window.findChild<QComboBox*>("SPREALCOM")->setEditText(link);
        window.findChild<QPushButton*>("Button1")->click();
        return true;
    }
};

// Writes the picture as the smallest PNG; false, with the reason on stderr, when it cannot.
inline bool savePng(const QImage& image, const QString& out)
{
    QImageWriter writer(out, "png");
    writer.setQuality(0);
    if (writer.write(image)) return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(out), qPrintable(writer.errorString()));
    return false;
}
