#include "pages/widgets/Accent.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>
#include <QWidget>
#include <cmath>
#include <functional>

namespace {

constexpr double kMinimumRatio = 4.5; // WCAG AA for normal text

double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

bool isDark(const QPalette& palette) { return luminance(palette.color(QPalette::Window)) < 0.2; }

// Re-applies an accent when the desktop palette changes (a theme switch reaches each
// widget as a palette change, as does the accent's own setting: that one is not followed).
class AccentKeeper : public QObject {
public:
    AccentKeeper(QWidget* widget, std::function<void(QWidget*)> apply)
        : QObject(widget), apply_(std::move(apply))
    {
        reapply(widget);
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::PaletteChange && !applying_) reapply(static_cast<QWidget*>(watched));
        return false;
    }

private:
    void reapply(QWidget* widget)
    {
        applying_ = true;
        apply_(widget);
        applying_ = false;
    }

    std::function<void(QWidget*)> apply_;
    bool applying_ = false;
};

// Sets roles for the groups a user reads (a disabled control keeps the palette's grey).
void setRole(QPalette& palette, QPalette::ColorRole role, const QColor& colour)
{
    palette.setColor(QPalette::Active, role, colour);
    palette.setColor(QPalette::Inactive, role, colour);
}

// A widget's palette as it is about to be, while a theme switch is still reaching the
// widgets one by one: the roles it sets itself over the desktop's.
QPalette comingPalette(const QWidget& w) { return w.palette().resolve(QApplication::palette(&w)); }

// The middle of a tab widget's pane as its style paints it, over the window's colour (a
// style that draws only a frame leaves that showing).
QColor paneColour(const QTabWidget& tabs)
{
    constexpr int side = 64;
    QStyleOptionTabWidgetFrame option;
    option.initFrom(&tabs);
    option.palette = comingPalette(tabs);
    option.rect = QRect(0, 0, side, side);
    option.lineWidth = tabs.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &tabs);
    option.shape = QTabBar::RoundedNorth;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(option.palette.color(QPalette::Window));
    QPainter painter(&image);
    tabs.style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, &tabs);
    painter.end();
    return image.pixelColor(side / 2, side / 2);
}

} // namespace

QColor backgroundBehind(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<const QTabWidget*>(w)) return paneColour(*tabs);
        if (w->autoFillBackground() || w->isWindow()) return comingPalette(*w).color(w->backgroundRole());
    }
    return comingPalette(*widget).color(QPalette::Window);
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& wanted, const QColor& background, double ratio)
{
    if (contrastRatio(wanted, background) >= ratio) return wanted;
    // Move towards whichever of white and black stands further from the background.
    const bool lighten = contrastRatio(Qt::white, background) > contrastRatio(Qt::black, background);
    QColor c = wanted.toHsl();
    const float hue = c.hslHueF(), saturation = c.hslSaturationF();
    for (float l = c.lightnessF(); l >= 0.f && l <= 1.f; l += lighten ? 0.02f : -0.02f) {
        const QColor step = QColor::fromHslF(hue, saturation, l);
        if (contrastRatio(step, background) >= ratio) return step.toRgb();
    }
    return lighten ? QColor(Qt::white) : QColor(Qt::black);
}

AccentColours backgroundAccent(const QColor& hue, const QPalette& palette)
{
    QColor background = hue;
    if (isDark(palette)) {
        const QColor hsl = hue.toHsl();
        background = QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), 0.25f).toRgb();
    }
    QColor text = palette.color(QPalette::WindowText);
    if (contrastRatio(text, background) < kMinimumRatio)
        text = contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background)
                   ? QColor(Qt::black)
                   : QColor(Qt::white);
    return {background, text};
}

void setBackgroundAccent(QWidget* widget, const QColor& hue)
{
    widget->setAutoFillBackground(true);
    new AccentKeeper(widget, [hue](QWidget* w) {
        const AccentColours accent = backgroundAccent(hue, QApplication::palette(w));
        QPalette palette = w->palette();
        setRole(palette, QPalette::Window, accent.background);
        setRole(palette, QPalette::WindowText, accent.text);
        w->setPalette(palette);
    });
}

void setTextAccent(QWidget* widget, const QColor& hue)
{
    new AccentKeeper(widget, [hue](QWidget* w) {
        const QPalette base = QApplication::palette(w);
        QPalette palette = w->palette();
        setRole(palette, QPalette::ButtonText, readableOn(hue, base.color(QPalette::Button)));
        w->setPalette(palette);
    });
}
