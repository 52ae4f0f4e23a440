#include "pages/hart/HartStatusLine.h"

#include "pages/widgets/Accent.h"

#include <QApplication>
#include <QEvent>

using HartStatus::Severity;

HartStatusLine::HartStatusLine(QWidget* parent) : QLabel(parent)
{
    setObjectName("HartStatusLine");
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The line keeps its height while it is empty, so the page does not move under it.
    setMinimumHeight(fontMetrics().lineSpacing());
}

QColor HartStatusLine::colourFor(Severity severity, const QColor& background)
{
    switch (severity) {
    case Severity::Ok: return {};
    case Severity::Warning: return readableOn(QColor(0xFF, 0xBF, 0x00), background); // amber
    case Severity::Error: return readableOn(QColor(0xE0, 0x10, 0x10), background);
    }
    return {};
}

void HartStatusLine::showStatus(const HartStatus::Status& status, const QString& note)
{
    severity_ = status.severity();
    const char* word = severity_ == Severity::Error ? " (error)" : severity_ == Severity::Warning ? " (warning)" : "";
    setText(QStringLiteral("HART status%1: %2").arg(QLatin1String(word), status.summary()));
    setToolTip(note.isEmpty() ? status.details() : status.details() + u'\n' + note);
    recolour();
}

void HartStatusLine::showProblem(const QString& text, const QString& details)
{
    severity_ = Severity::Error;
    setText(text);
    setToolTip(details);
    recolour();
}

void HartStatusLine::clearStatus()
{
    severity_ = Severity::Ok;
    clear();
    setToolTip({});
    recolour();
}

void HartStatusLine::changeEvent(QEvent* event)
{
    // A theme switch reaches the label as a palette change; so does our own setting.
    const QEvent::Type type = event->type();
    if (type == QEvent::StyleChange || type == QEvent::ParentChange) behind_ = QColor();
    if (type == QEvent::PaletteChange && !recolouring_) {
        behind_ = QColor();
        recolour();
    }
    QLabel::changeEvent(event);
}

void HartStatusLine::recolour()
{
    recolouring_ = true;
    QPalette palette = QApplication::palette(this);
    // Readable on what is really drawn behind the line (a tab page's pane, not the window).
    if (!behind_.isValid()) behind_ = backgroundBehind(this);
    if (const QColor c = colourFor(severity_, behind_); c.isValid()) {
        palette.setColor(QPalette::Active, QPalette::WindowText, c);
        palette.setColor(QPalette::Inactive, QPalette::WindowText, c);
    }
    setPalette(palette);
    recolouring_ = false;
}
