#pragma once

#include <QChartView>
#include <QString>
#include <vector>

class LiveHistory;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

// The chart of a live run: one line per value the user chose, over a time axis, drawn
// from the run's history. Each redraw hands the chart at most two points per pixel column
// of its plot (the lowest and highest there), whatever the history holds.
class LiveChart : public QChartView {
    Q_OBJECT

public:
    explicit LiveChart(const LiveHistory& history, QWidget* parent = nullptr);

    struct Plotted {
        int column; // in the history
        QString name;
    };
    void setPlotted(const std::vector<Plotted>& plotted);
    // How far back the time axis reaches from the newest cycle; 0 for everything kept.
    void setSpanMs(qint64 span);
    // While paused the chart keeps what it shows; the run goes on.
    void setPaused(bool paused);

    // Draws the history as it is now (nothing while paused).
    void refresh();

    QList<QLineSeries*> lines() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A theme switch reaches the chart as a palette change.
    void changeEvent(QEvent* event) override;

private:
    // The chart's background, text and lines in the window palette's colours.
    void followPalette();
    void showNumbers(bool shown);
    const LiveHistory& history_;
    std::vector<Plotted> plotted_;
    std::vector<QLineSeries*> series_;
    QDateTimeAxis* time_;
    QValueAxis* values_;
    qint64 spanMs_ = 0;
    bool paused_ = false;
};
