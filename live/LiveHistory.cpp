#include "live/LiveHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

LiveHistory::LiveHistory(int capacity) : capacity_(std::max(1, capacity)) {}

void LiveHistory::reset(int columns)
{
    head_ = 0;
    times_.clear();
    times_.shrink_to_fit();
    values_.assign(size_t(std::max(0, columns)), {});
}

void LiveHistory::append(qint64 timeMs, const std::vector<LiveCell>& cells)
{
    auto value = [&](size_t c) {
        return c < cells.size() && cells[c].number ? float(*cells[c].number)
                                                   : std::numeric_limits<float>::quiet_NaN();
    };
    if (times_.size() < size_t(capacity_)) {
        // Room for every cycle kept, taken as it fills: no copies, no spare half.
        if (times_.empty()) {
            times_.reserve(size_t(capacity_));
            for (auto& v : values_) v.reserve(size_t(capacity_));
        }
        times_.push_back(timeMs);
        for (size_t c = 0; c < values_.size(); ++c) values_[c].push_back(value(c));
        return;
    }
    // Full: the newest cycle takes the oldest one's place.
    times_[head_] = timeMs;
    for (size_t c = 0; c < values_.size(); ++c) values_[c][head_] = value(c);
    head_ = (head_ + 1) % times_.size();
}

int LiveHistory::firstAtOrAfter(qint64 timeMs) const
{
    int lo = 0, hi = size();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (timeAt(mid) < timeMs) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

size_t LiveHistory::memoryBytes() const { return times_.size() * (sizeof(qint64) + values_.size() * sizeof(float)); }

QList<QPointF> LiveHistory::decimated(int column, qint64 fromMs, qint64 toMs, int pixels) const
{
    QList<QPointF> out;
    if (column < 0 || column >= columns() || toMs < fromMs || times_.empty()) return out;
    pixels = std::max(1, pixels);
    const double width = double(toMs - fromMs + 1) / pixels;
    const std::vector<float>& values = values_[size_t(column)];
    const size_t n = times_.size();
    // Walked by place in the ring, which wraps once at most.
    int i = firstAtOrAfter(fromMs);
    size_t at = slot(i);
    auto advance = [&] {
        ++i;
        if (++at == n) at = 0;
    };
    out.reserve(std::min(2 * pixels, size() - i));
    while (i < size() && times_[at] <= toMs) {
        // One pixel column: its lowest and highest value, where they are.
        const double pixel = std::floor(double(times_[at] - fromMs) / width);
        const double columnEnd = double(fromMs) + (pixel + 1) * width;
        size_t low = n, high = n;
        // The first point is the column's whatever rounding says of its end.
        do {
            const float v = values[at];
            if (!std::isnan(v)) {
                if (low == n || v < values[low]) low = at;
                if (high == n || v > values[high]) high = at;
            }
            advance();
        } while (i < size() && times_[at] <= toMs && double(times_[at]) < columnEnd);
        if (low == n) continue;
        // The earlier of the two first: places after the wrap are the later ones.
        const auto age = [&](size_t p) { return (p + n - head_) % n; };
        const size_t first = age(low) <= age(high) ? low : high, second = first == low ? high : low;
        out.append(QPointF(double(times_[first]), double(values[first])));
        if (second != first) out.append(QPointF(double(times_[second]), double(values[second])));
    }
    return out;
}
