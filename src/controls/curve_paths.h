#pragma once
// Path building shared by the response displays: the running average the equalizer graph
// smooths its channel curves with, a chain of cubic segments through those points, and a
// cardinal spline for measured data. Points are plot pixels; nothing here knows a widget.

#include <QPainterPath>
#include <QPointF>

#include <span>
#include <vector>

namespace curvepath {

// Walks pts in order: the first point at or right of `left` starts the average, each later
// one is averaged with it (half and half), and points left of `left` repeat the average, so a
// line ends calmly at the plot edge. Points before the first one that starts it are dropped.
// The averages are rounded to whole pixels.
std::vector<QPointF> RunningAverage(std::span<const QPointF> pts, double left);

// Cubic segments taking the points three at a time after the first; what is left over when
// the count is not 3k + 1 is drawn as straight lines, so no point is dropped.
QPainterPath BezierChain(std::span<const QPointF> pts);

// The frequencies of the vertical grid lines, in Hz: 20..100 by 10, 200..1000 by 100,
// 2000..10000 by 1000 (20 kHz is the right border).
std::vector<int> GridFrequencies();

// A curve through every point; tension 0 gives straight lines, 0.5 the usual roundness.
QPainterPath CardinalSpline(std::span<const QPointF> pts, double tension = 0.5);

}  // namespace curvepath
