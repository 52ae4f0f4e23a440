#pragma once

#include "live/LiveTypes.h"

#include <QList>
#include <QPointF>
#include <cstddef>
#include <utility>
#include <vector>

// The numbers of the newest cycles of a run, for a chart: one time per cycle and one
// single-precision value per column (NaN where the cell was empty or a text). The oldest
// cycle goes once `capacity` cycles are kept; the default keeps 24 h at 1 s.
class LiveHistory {
public:
    static constexpr int kDefaultCapacity = 86400;

    explicit LiveHistory(int capacity = kDefaultCapacity);

    // Empties it and sets the number of columns each cycle brings.
    void reset(int columns);
    void append(qint64 timeMs, const std::vector<LiveCell>& cells);

    int columns() const { return int(values_.size()); }
    int size() const { return int(times_.size()); }
    // Cycle i, 0 the oldest kept; times in ms since the epoch.
    qint64 timeAt(int i) const { return times_[slot(i)]; }
    float valueAt(int column, int i) const { return values_[size_t(column)][slot(i)]; }
    // The first cycle at or after `timeMs` (size() when none).
    int firstAtOrAfter(qint64 timeMs) const;

    // What the kept cycles take, in bytes.
    size_t memoryBytes() const;

    // A column's points between two times, cut down for a plot `pixels` wide: in each
    // pixel column only its lowest and highest value stay, in the order they came, so the
    // line keeps every peak and dip while the chart gets at most two points per pixel
    // column. Empty cells are left out. x is the time in ms since the epoch.
    QList<QPointF> decimated(int column, qint64 fromMs, qint64 toMs, int pixels) const;
    // The same for several columns, the pixel columns' bounds worked out once.
    std::vector<QList<QPointF>> decimated(const std::vector<int>& columns, qint64 fromMs, qint64 toMs,
                                          int pixels) const;

private:
    // The cycles (first, one past the last) that fall in each pixel column holding any.
    std::vector<std::pair<int, int>> pixelColumns(qint64 fromMs, qint64 toMs, int pixels) const;
    size_t slot(int i) const { return (head_ + size_t(i)) % times_.size(); }

    int capacity_;
    size_t head_ = 0; // the oldest cycle's place once the buffer is full
    std::vector<qint64> times_;
    std::vector<std::vector<float>> values_;
};

