#include "cli/ScanLine.h"

#include "tools/TerminalText.h"

namespace {

QString quoted(const QString& text) { return u'"' + TerminalText::escaped(text) + u'"'; }

} // namespace

QString scanLine(const HartScan::Found& found)
{
    QStringList parts;
    if (const auto& id = found.identity) {
        parts << QStringLiteral("manufacturer ") + id->manufacturerText()
              << QStringLiteral("device type ") + id->deviceTypeText() << QStringLiteral("device ID ") + id->idText()
              << QStringLiteral("HART %1").arg(id->revision);
        if (found.tag) parts << QStringLiteral("tag ") + quoted(*found.tag);
        if (found.longTag) parts << QStringLiteral("long tag ") + quoted(*found.longTag);
        parts << QStringLiteral("status: ") + found.status.summary();
    }
    QString line = QString::number(found.pollAddress) + QStringLiteral("  ") + parts.join(QStringLiteral(", "));
    if (!found.problems.isEmpty())
        line += (parts.isEmpty() ? QString() : QStringLiteral("; ")) + found.problems.join(QStringLiteral("; "));
    return line;
}
