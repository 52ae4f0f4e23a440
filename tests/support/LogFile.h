#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QString>

// A command line's traffic log, as the tests read it back.
struct LogFile {
    QString text; // empty when the file cannot be read

    explicit LogFile(const QString& path)
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) text = QString::fromUtf8(file.readAll());
    }
    // Whether it starts with the header for `port` at 9600 baud, no parity.
    bool hasHeaderFor(const QString& port) const
    {
        return text.startsWith("# vk742b-config " VK742B_VERSION " traffic log\n# port " + port +
                               ", 9600 baud, parity None\n# started ");
    }
    // Frame lines in one direction ("TX" or "RX"), each after its date, time and zone.
    qsizetype frames(const char* direction) const
    {
        const QRegularExpression line(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d %1  )")
                                          .arg(QLatin1String(direction)),
                                      QRegularExpression::MultilineOption);
        return text.count(line);
    }
};
