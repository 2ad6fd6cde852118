#pragma once
// Painting the trend chart: a function of the chart's elements, the ranges in
// view and the area, so the widget, the clipboard copy, the image and SVG
// export and printing all draw the same picture.
#include "plotmodel.h"

#include <QPainter>
#include <QRectF>

#include <optional>
#include <vector>

namespace tav {

// The ranges shown along the first X axis and the first Y axis.
struct PlotView {
    double xMin = 0;
    double xSpan = 100;
    double yMin = 0;
    double ySpan = 100;
};

// Where the parts of the chart go within an area.
struct PlotGeometry {
    QRectF title;
    QRectF dataArea;
    QRectF legend;
    QRectF xLabels;
    QRectF xTitle;
    QRectF yLabels;
    QRectF yTitle;
};

// The data cursor as drawn: the point it reads.
struct PlotCursorMark {
    double x = 0;
    double y = 0;
    QString text;
};

// What a paint did, for tests and benchmarks.
struct PlotPaintStats {
    std::size_t pointsVisited = 0; // points mapped to pixels one by one
    std::size_t columnsDrawn = 0; // pixel columns drawn from min/max
};

// Scale marks for a range: about `target` round values (steps of 1, 2 or 5
// times a power of ten) inside [min, min + span], and the decimals to print.
struct ScaleTicks {
    std::vector<double> values;
    int decimals = 0;
};
ScaleTicks scaleTicks(double min, double span, int target);

// `topInset` keeps a strip at the top free (the toolbar sits there).
PlotGeometry plotGeometry(const PlotModel& model, const PlotView& view, const QRectF& area, qreal topInset);

// More visible points than this many per pixel of width are drawn as
// per-column minimum and maximum instead of point by point.
inline constexpr double kDecimateAbovePointsPerPixel = 2.0;
// Up to this many visible points per pixel of width a channel is stroked
// antialiased through the painter; above, its lines are rasterised directly
// (the painter's stroker costs microseconds a segment).
inline constexpr double kPainterStrokeUpToPointsPerPixel = 0.4;

PlotPaintStats paintPlot(QPainter& painter, const PlotModel& model, const PlotView& view, const QRectF& area,
    qreal topInset = 0, const std::optional<PlotCursorMark>& cursor = std::nullopt);

} // namespace tav
