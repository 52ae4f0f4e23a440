#pragma once

#include <QHash>
#include <QImage>
#include <algorithm>
#include <climits>

// The picture in at most 256 colours: the most frequent ones, each other colour drawn in the
// nearest of them. A window is mostly flat colour, so this keeps every edge and line of text
// while the PNG file stays a fraction of its full-colour size.
inline QImage inFewColours(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, qint64> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++counts[line[x]];
    }
    QList<QRgb> colours = counts.keys();
    std::sort(colours.begin(), colours.end(), [&](QRgb a, QRgb b) { return counts[a] > counts[b]; });
    colours.resize(std::min<qsizetype>(colours.size(), 256));

    QHash<QRgb, uchar> nearest;
    auto indexOf = [&](QRgb c) {
        auto found = nearest.find(c);
        if (found != nearest.end()) return *found;
        int best = 0, bestDistance = INT_MAX;
        for (int i = 0; i < colours.size(); ++i) {
            const int dr = qRed(c) - qRed(colours[i]), dg = qGreen(c) - qGreen(colours[i]),
                      db = qBlue(c) - qBlue(colours[i]);
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) best = i, bestDistance = distance;
        }
        return nearest[c] = uchar(best);
    };
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* to = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) to[x] = indexOf(line[x]);
    }
    return out;
}

