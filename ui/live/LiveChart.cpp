#include "ui/live/LiveChart.h"

#include "live/LiveHistory.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

LiveChart::LiveChart(const LiveHistory& history, QWidget* parent)
    : QChartView(new QChart, parent), history_(history), time_(new QDateTimeAxis), values_(new QValueAxis)
{
    setObjectName("LiveChart");
    setRenderHint(QPainter::Antialiasing, false); // many short segments: plain lines draw faster
    QChart* c = chart();
    c->legend()->setAlignment(Qt::AlignBottom);
    time_->setFormat(QStringLiteral("HH:mm:ss"));
    time_->setTitleText(QStringLiteral("time"));
    c->addAxis(time_, Qt::AlignBottom);
    c->addAxis(values_, Qt::AlignLeft);
    // An empty line that stays: a chart shown while its time axis had no series never lays
    // that axis out, even once lines join it (Qt Charts 6.4).
    auto* anchor = new QLineSeries;
    c->addSeries(anchor);
    anchor->attachAxis(time_);
    anchor->attachAxis(values_);
    for (QLegendMarker* marker : c->legend()->markers(anchor)) marker->setVisible(false);
    followPalette();
    setMinimumSize(360, 240);
    refresh();
}

void LiveChart::changeEvent(QEvent* event)
{
    QChartView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) followPalette();
}

void LiveChart::followPalette()
{
    const QPalette p = palette();
    const QColor text = p.color(QPalette::Text), base = p.color(QPalette::Base);
    // Grid lines a faint mix of the text into the background.
    const QColor grid = QColor::fromRgbF(0.8f * base.redF() + 0.2f * text.redF(), 0.8f * base.greenF() + 0.2f * text.greenF(),
                                         0.8f * base.blueF() + 0.2f * text.blueF());
    QChart* c = chart();
    c->setBackgroundBrush(base);
    c->setBackgroundPen(QPen(p.color(QPalette::Mid)));
    c->setTitleBrush(text);
    c->legend()->setLabelColor(text);
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(time_), static_cast<QAbstractAxis*>(values_)}) {
        axis->setLabelsBrush(text);
        axis->setTitleBrush(text);
        axis->setLinePenColor(p.color(QPalette::Mid));
        axis->setGridLineColor(grid);
    }
    setBackgroundBrush(p.color(QPalette::Window));
}

void LiveChart::setPlotted(const std::vector<Plotted>& plotted)
{
    plotted_ = plotted;
    for (QLineSeries* s : series_) {
        chart()->removeSeries(s);
        delete s;
    }
    series_.clear();
    for (const Plotted& p : plotted_) {
        auto* s = new QLineSeries;
        s->setName(p.name);
        chart()->addSeries(s);
        // The theme's colour, with a one-pixel pen: wider lines cost far more to draw.
        QPen pen = s->pen();
        pen.setWidth(1);
        s->setPen(pen);
        s->attachAxis(time_);
        s->attachAxis(values_);
        series_.push_back(s);
    }
    refresh();
}

void LiveChart::setSpanMs(qint64 span)
{
    spanMs_ = span;
    refresh();
}

void LiveChart::setPaused(bool paused)
{
    paused_ = paused;
    refresh();
}

QList<QLineSeries*> LiveChart::lines() const { return QList<QLineSeries*>(series_.begin(), series_.end()); }

void LiveChart::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    refresh();
}

// The time axis's title goes with its labels: alone it is cut to "…".
void LiveChart::showNumbers(bool shown)
{
    time_->setLabelsVisible(shown);
    time_->setTitleVisible(shown);
    values_->setLabelsVisible(shown);
}

void LiveChart::refresh()
{
    if (paused_) return;
    // Nothing on the axes while there is nothing to plot: an empty time axis spans the
    // first second of 1970.
    if (history_.size() == 0) {
        showNumbers(false);
        for (QLineSeries* s : series_) s->clear();
        return;
    }
    const qint64 to = history_.timeAt(history_.size() - 1);
    const qint64 from = spanMs_ > 0 ? std::max(history_.timeAt(0), to - spanMs_) : history_.timeAt(0);
    const QRectF plot = chart()->plotArea();
    const int pixels = std::max(1, int(plot.width()));
    std::vector<int> columns;
    for (const Plotted& p : plotted_) columns.push_back(p.column);
    std::vector<QList<QPointF>> points = history_.decimated(columns, from, to, pixels);
    double low = INFINITY, high = -INFINITY;
    for (const QList<QPointF>& list : points)
        for (const QPointF& point : list) {
            low = std::min(low, point.y());
            high = std::max(high, point.y());
        }
    // A pixel column's lowest and highest value less than a pixel apart draw as one point:
    // the chart works out each line's outline anew for every set of points, at a cost per point.
    const double columnWidth = double(to - from + 1) / pixels;
    const double pixelHeight = (high - low) / std::max(1.0, plot.height());
    for (QList<QPointF>& list : points) {
        QList<QPointF> kept;
        kept.reserve(list.size());
        for (const QPointF& point : list) {
            const bool sameColumn = !kept.isEmpty() && std::floor((kept.last().x() - from) / columnWidth) ==
                                                           std::floor((point.x() - from) / columnWidth);
            if (sameColumn && std::fabs(point.y() - kept.last().y()) < pixelHeight) continue;
            kept.append(point);
        }
        list = std::move(kept);
    }
    // The axes first, so that each line's geometry is worked out once, with its new points.
    // Ticks at least a second apart: each shows another second.
    const qint64 shortest = 1000 * std::max(1, time_->tickCount() - 1);
    time_->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(std::max(to, from + shortest)));
    showNumbers(true);
    if (low <= high) {
        const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::fabs(high) * 0.05);
        values_->setRange(low - margin, high + margin);
    }
    for (size_t i = 0; i < series_.size(); ++i) series_[i]->replace(points[i]);
}
