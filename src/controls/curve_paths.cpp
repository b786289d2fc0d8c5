#include "controls/curve_paths.h"

#include <cmath>
#include <optional>

namespace curvepath {

std::vector<QPointF> RunningAverage(std::span<const QPointF> pts, double left) {
    std::vector<QPointF> out;
    out.reserve(pts.size());
    std::optional<QPointF> average;
    for (const QPointF& p : pts) {
        if (p.x() >= left) {
            average = average ? (p + *average) / 2.0 : p;
        }
        if (average) {
            out.emplace_back(std::round(average->x()), std::round(average->y()));
        }
    }
    return out;
}

QPainterPath BezierChain(std::span<const QPointF> pts) {
    QPainterPath path;
    if (pts.size() < 2) {
        return path;
    }
    path.moveTo(pts[0]);
    size_t i = 0;
    for (; i + 3 < pts.size(); i += 3) {
        path.cubicTo(pts[i + 1], pts[i + 2], pts[i + 3]);
    }
    for (++i; i < pts.size(); ++i) {
        path.lineTo(pts[i]);
    }
    return path;
}

std::vector<int> GridFrequencies() {
    std::vector<int> lines;
    for (int f = 20; f <= 100; f += 10) {
        lines.push_back(f);
    }
    for (int f = 200; f <= 1000; f += 100) {
        lines.push_back(f);
    }
    for (int f = 2000; f <= 10000; f += 1000) {
        lines.push_back(f);
    }
    return lines;
}

QPainterPath CardinalSpline(std::span<const QPointF> pts, double tension) {
    QPainterPath path;
    if (pts.size() < 2) {
        return path;
    }
    // Each segment's tangents come from its neighbours; the ends stand in for the missing ones.
    const double k = tension / 3.0;
    const size_t last = pts.size() - 1;
    path.moveTo(pts[0]);
    for (size_t i = 0; i < last; ++i) {
        const QPointF& before = pts[i == 0 ? 0 : i - 1];
        const QPointF& from = pts[i];
        const QPointF& to = pts[i + 1];
        const QPointF& after = pts[i + 1 == last ? last : i + 2];
        path.cubicTo(from + (to - before) * k, to - (after - from) * k, to);
    }
    return path;
}

}  // namespace curvepath
