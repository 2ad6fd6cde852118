#pragma once
// The natural cubic spline through a trace's points, as Bezier segments.
#include <QPainterPath>
#include <QPointF>

#include <span>
#include <vector>

namespace tav {

// Second derivatives of the natural cubic spline through `points` (X strictly
// increasing): zero at both ends, continuous first and second derivatives at
// every inner point. O(n) by the tridiagonal (Thomas) elimination.
std::vector<double> naturalSplineSecondDerivatives(std::span<const QPointF> points);

// Continues `path` through `points` (X non-decreasing, in device pixels): a
// natural cubic spline through each stretch of strictly increasing X, joined
// by straight segments where X repeats. The first point is a moveTo unless
// `connect` is set. Because the spline is unchanged by scaling either axis,
// fitting it in pixels draws the same curve as fitting it in data units.
void addCubicSpline(QPainterPath& path, std::span<const QPointF> points, bool connect = false);

// The same curve as a polyline: appends to `out` points along the spline no
// more than about `maxStep` pixels apart in X. NaN points break the trace and
// are passed through.
void flattenCubicSpline(std::span<const QPointF> points, std::vector<QPointF>& out, double maxStep);

} // namespace tav
