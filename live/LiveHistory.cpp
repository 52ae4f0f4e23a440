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

std::vector<std::pair<int, int>> LiveHistory::pixelColumns(qint64 fromMs, qint64 toMs, int pixels) const
{
    std::vector<std::pair<int, int>> out;
    if (toMs < fromMs || times_.empty()) return out;
    const double width = double(toMs - fromMs + 1) / std::max(1, pixels);
    const size_t n = times_.size();
    int i = firstAtOrAfter(fromMs);
    size_t at = slot(i);
    while (i < size() && times_[at] <= toMs) {
        const double pixel = std::floor(double(times_[at] - fromMs) / width);
        const double columnEnd = double(fromMs) + (pixel + 1) * width;
        const int begin = i;
        // The first cycle is the column's whatever rounding says of its end.
        do {
            ++i;
            if (++at == n) at = 0;
        } while (i < size() && times_[at] <= toMs && double(times_[at]) < columnEnd);
        out.emplace_back(begin, i);
    }
    return out;
}

std::vector<QList<QPointF>> LiveHistory::decimated(const std::vector<int>& columns, qint64 fromMs, qint64 toMs,
                                                   int pixels) const
{
    const auto pixelColumns = this->pixelColumns(fromMs, toMs, pixels);
    std::vector<QList<QPointF>> out(columns.size());
    const size_t n = times_.size();
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c] < 0 || columns[c] >= this->columns()) continue;
        const float* values = values_[size_t(columns[c])].data();
        QList<QPointF>& points = out[c];
        points.reserve(qsizetype(2 * pixelColumns.size()));
        for (const auto& [begin, end] : pixelColumns) {
            // The lowest and highest value in cycles begin to end, by their place in the ring
            // (which wraps once at most): one plain loop over each stretch.
            int low = -1, high = -1;
            float lowValue = 0, highValue = 0;
            auto scan = [&](size_t from, size_t to, int first) {
                for (size_t p = from; p < to; ++p) {
                    const float v = values[p];
                    if (std::isnan(v)) continue;
                    const int cycle = first + int(p - from);
                    if (low < 0 || v < lowValue) low = cycle, lowValue = v;
                    if (high < 0 || v > highValue) high = cycle, highValue = v;
                }
            };
            const size_t start = slot(begin), count = size_t(end - begin);
            if (start + count <= n) {
                scan(start, start + count, begin);
            } else {
                scan(start, n, begin);
                scan(0, start + count - n, begin + int(n - start));
            }
            if (low < 0) continue;
            const int first = std::min(low, high), second = std::max(low, high);
            points.append(QPointF(double(timeAt(first)), double(valueAt(columns[c], first))));
            if (second != first) points.append(QPointF(double(timeAt(second)), double(valueAt(columns[c], second))));
        }
    }
    return out;
}

QList<QPointF> LiveHistory::decimated(int column, qint64 fromMs, qint64 toMs, int pixels) const
{
    return std::move(decimated(std::vector<int>{column}, fromMs, toMs, pixels).front());
}
