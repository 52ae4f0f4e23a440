#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <optional>

// Checks of the documents the tool writes: HTML and PDF, read back by Qt and by Debian's
// tools.

// What Qt's XML reader finds wrong with a document; empty when it is well-formed.
inline QString xmlProblem(const QString& document)
{
    QXmlStreamReader xml(document);
    while (!xml.atEnd()) xml.readNext();
    return xml.hasError() ? xml.errorString() : QString();
}

// What libxml2's HTML parser (xmllint --html) says of a document: empty when nothing;
// nothing at all when xmllint is not installed.
inline std::optional<QString> lintProblem(const QString& document)
{
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty()) return std::nullopt;
    QTemporaryDir dir;
    QFile file(dir.filePath("page.html"));
    if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("cannot write %1").arg(file.fileName());
    file.write(document.toUtf8());
    file.close();
    QProcess lint;
    lint.start(xmllint, {"--html", "--noout", file.fileName()});
    if (!lint.waitForFinished(30000)) return QStringLiteral("xmllint did not end");
    const QString said = QString::fromUtf8(lint.readAllStandardError());
    if (lint.exitCode() != 0 && said.isEmpty()) return QStringLiteral("xmllint exited %1").arg(lint.exitCode());
    return said;
}

// A PDF tool's output (pdfinfo, pdftotext); empty when the tool is not installed.
inline QString pdfTool(const QString& tool, const QStringList& args)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) return {};
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput())
                             : QStringLiteral("failed: ") + QString::fromUtf8(p.readAllStandardError());
}

// The text of a PDF, or of its pages `first` to `last`, with every run of white space made
// one space: pdftotext breaks lines and tables its own way. Empty without pdftotext.
inline QString pdfText(const QString& path, int first = 0, int last = 0)
{
    QStringList args{"-layout"};
    if (first > 0) args << "-f" << QString::number(first) << "-l" << QString::number(last);
    return pdfTool("pdftotext", args << path << "-").replace(QRegularExpression("\\s+"), " ");
}
