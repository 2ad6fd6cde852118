#include "plotrenderer.h"

#include "plotraster.h"
#include "plotspline.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QLocale>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace tav {
namespace {

constexpr qreal kPad = 6;
constexpr qreal kLegendSample = 24;

// Keeps device coordinates inside what the raster engine handles.
qreal clampPixel(double v) { return static_cast<qreal>(std::clamp(v, -1e6, 1e6)); }

struct Mapper {
    QRectF area;
    double xMin, yMin, sx, sy;

    Mapper(const QRectF& a, const PlotView& v)
        : area(a)
        , xMin(v.xMin)
        , yMin(v.yMin)
        , sx(v.xSpan > 0 ? a.width() / v.xSpan : 0)
        , sy(v.ySpan > 0 ? a.height() / v.ySpan : 0)
    {
    }
    qreal px(double x) const { return clampPixel(area.left() + (x - xMin) * sx); }
    qreal py(double y) const { return clampPixel(area.bottom() - (y - yMin) * sy); }
};

QString label(double v, int decimals)
{
    if (std::fabs(v) < 1e-12)
        v = 0; // no "-0"
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(v, 'f', decimals);
}

bool usableView(const PlotView& v)
{
    return std::isfinite(v.xMin) && std::isfinite(v.xSpan) && std::isfinite(v.yMin) && std::isfinite(v.ySpan)
        && v.xSpan > 0 && v.ySpan > 0;
}

qreal maxLabelWidth(const QFont& font, const ScaleTicks& ticks)
{
    const QFontMetricsF fm(font);
    qreal w = 0;
    for (double v : ticks.values)
        w = std::max(w, fm.horizontalAdvance(label(v, ticks.decimals)));
    return w;
}

constexpr double kBreak = std::numeric_limits<double>::quiet_NaN();

// The points of `r` in pixels; a Y that is not a number breaks the trace.
void mapPoints(const PlotPoints& pts, PlotPoints::Range r, const Mapper& m, std::vector<QPointF>& out)
{
    for (std::size_t i = r.begin; i < r.end; ++i) {
        const double y = pts.y(i);
        if (std::isfinite(y))
            out.emplace_back(m.px(pts.x(i)), m.py(y));
        else
            out.emplace_back(kBreak, kBreak);
    }
}

// The points of `r` as one vertical stroke per pixel column from the
// column's smallest to its largest Y, joined by a line from each column's
// last point to the next column's first. Each column costs a search near the
// previous one and a block-wise minimum and maximum, not a visit of every
// point. Coordinates relative to `origin`.
void decimate(const PlotPoints& pts, PlotPoints::Range r, const Mapper& m, TraceRaster& raster, QPointF origin,
    std::vector<PlotPoints::Column>& columns, PlotPaintStats& stats)
{
    columns.clear();
    // Blocks are taken whole where a pixel column holds four blocks or more.
    const double xExtent = (pts.x(r.end - 1) - pts.x(r.begin)) * m.sx;
    const bool wholeBlocks = static_cast<double>(r.size()) >= 4.0 * PlotPoints::kBlock * std::max(1.0, xExtent);
    pts.columns(r, m.xMin, m.sx, columns, wholeBlocks);
    // Where the strokes of neighbouring columns do not overlap, a line joins
    // their nearest ends; the points themselves are not read again.
    bool havePrevious = false;
    qreal px = 0, pTop = 0, pBottom = 0;
    for (const PlotPoints::Column& col : columns) {
        // Columns outside the area hold the neighbours just outside the view.
        const bool inside = col.column >= 0 && col.column < m.area.width();
        const qreal cx = (inside ? m.area.left() + col.column + 0.5 : m.px(pts.x(col.first))) - origin.x();
        if (!std::isfinite(col.minY) || !std::isfinite(col.maxY)) {
            havePrevious = false;
            continue;
        }
        const qreal top = m.py(col.maxY) - origin.y(), bottom = m.py(col.minY) - origin.y();
        raster.verticalBar(cx, top, bottom);
        if (havePrevious) {
            if (top > pBottom)
                raster.line(QPointF(px, pBottom), QPointF(cx, top));
            else if (bottom < pTop)
                raster.line(QPointF(px, pTop), QPointF(cx, bottom));
            else if (cx - px > 1.5)
                raster.line(QPointF(px, std::max(top, pTop)), QPointF(cx, std::max(top, pTop)));
        }
        havePrevious = true;
        px = cx;
        pTop = top;
        pBottom = bottom;
    }
    stats.columnsDrawn += columns.size();
}

// Strokes `poly` with the painter, one polyline or spline per stretch between
// breaks.
void strokeWithPainter(QPainter& p, const std::vector<QPointF>& poly, bool spline)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i <= poly.size(); ++i) {
        if (i < poly.size() && !std::isnan(poly[i].x()))
            continue;
        const std::size_t n = i - start;
        if (n >= 2 && spline) {
            QPainterPath path;
            addCubicSpline(path, std::span<const QPointF>(poly.data() + start, n));
            p.drawPath(path);
        } else if (n >= 2) {
            p.drawPolyline(poly.data() + start, static_cast<int>(n));
        } else if (n == 1) {
            p.drawPoint(poly[start]);
        }
        start = i + 1;
    }
}

void drawChannel(QPainter& p, const PlotChannel& c, const Mapper& m, const PlotView& view, PlotPaintStats& stats)
{
    const PlotPoints& pts = c.points;
    const double lo = view.xMin, hi = view.xMin + view.xSpan;
    const double decimateAbove = kDecimateAbovePointsPerPixel * m.area.width();
    const bool spline = c.interpolation == Interpolation::CubicSpline;

    // Per run, the points in view and one neighbour on each side, so the
    // trace runs on to the edges. Runs are drawn apart: where X goes back the
    // line breaks.
    std::vector<PlotPoints::Range> ranges;
    std::size_t total = 0;
    for (std::size_t k = 0; k < pts.runCount(); ++k) {
        const PlotPoints::Range run = pts.run(k);
        if (std::isnan(pts.x(run.begin)))
            continue;
        std::size_t b = pts.lowerBound(run, lo);
        std::size_t e = pts.upperBound({ b, run.end }, hi);
        if (b > run.begin)
            --b;
        if (e < run.end)
            ++e;
        if (e <= b || (e - b == 1 && (pts.x(b) < lo || pts.x(b) > hi)))
            continue;
        ranges.push_back({ b, e });
        total += e - b;
    }
    if (ranges.empty())
        return;

    std::vector<QPointF> poly;
    if (static_cast<double>(total) <= kPainterStrokeUpToPointsPerPixel * m.area.width()) {
        // Few points, far apart: antialiased strokes through the painter.
        QPen pen(c.color, c.traceLineWidth);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.setRenderHint(QPainter::Antialiasing, true);
        for (const PlotPoints::Range& r : ranges) {
            poly.clear();
            mapPoints(pts, r, m, poly);
            stats.pointsVisited += r.size();
            strokeWithPainter(p, poly, spline);
        }
        p.setRenderHint(QPainter::Antialiasing, false);
        return;
    }

    // Many points: rasterised into a layer of the data area's size. A run
    // with more points than the area has pixel columns is decimated; the
    // spline is kept where the points stand far enough apart to show it.
    // The layer has a pixel of margin around the data area.
    const QPointF origin = m.area.topLeft() - QPointF(1, 1);
    // One layer per thread, reused from paint to paint: no allocation and
    // page faults for a megabyte on every repaint.
    thread_local QImage layer;
    TraceRaster raster(layer, m.area.size().toSize() + QSize(2, 2), c.color, c.traceLineWidth);
    std::vector<QPointF> flat;
    std::vector<PlotPoints::Column> columns;
    for (const PlotPoints::Range& r : ranges) {
        poly.clear();
        if (static_cast<double>(r.size()) > decimateAbove) {
            decimate(pts, r, m, raster, origin, columns, stats);
            continue;
        } else {
            mapPoints(pts, r, m, poly);
            stats.pointsVisited += r.size();
            if (spline && static_cast<double>(r.size()) * 3 < m.area.width()) {
                flat.clear();
                flattenCubicSpline(poly, flat, 4.0);
                poly.swap(flat);
            }
        }
        for (QPointF& q : poly)
            q -= origin;
        raster.polyline(poly.data(), poly.size());
    }
    p.drawImage(origin, raster.image());
}

} // namespace

ScaleTicks scaleTicks(double min, double span, int target)
{
    ScaleTicks t;
    if (!std::isfinite(min) || !std::isfinite(span) || span <= 0 || target < 1)
        return t;
    const double raw = span / target;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    const double step = (norm < 1.5 ? 1 : norm < 3.5 ? 2 : norm < 7.5 ? 5 : 10) * magnitude;
    if (!(step > 0) || !std::isfinite(step))
        return t;
    t.decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 12);
    const double first = std::ceil(min / step - 1e-9);
    const double max = min + span;
    for (int k = 0; k < 4 * target + 4; ++k) {
        const double v = (first + k) * step;
        if (v > max + step * 1e-9)
            break;
        t.values.push_back(v);
    }
    return t;
}

PlotGeometry plotGeometry(const PlotModel& model, const PlotView& view, const QRectF& area, qreal topInset)
{
    PlotGeometry g;
    const QFontMetricsF titleFm(model.titleFont);
    g.title = QRectF(area.left(), area.top() + topInset + 2, area.width(), titleFm.height());

    // The legend lists every channel at the right.
    const QFontMetricsF legendFm(model.legendFont);
    qreal textWidth = 0;
    for (int i = 0; i < model.channelCount(); ++i)
        textWidth = std::max(textWidth, legendFm.horizontalAdvance(model.channel(i).titleText));
    const qreal legendWidth = model.channelCount() > 0 ? kPad + kLegendSample + kPad + textWidth + kPad : 0;

    const PlotAxis* xAxis = model.xAxisCount() > 0 ? &model.xAxis(0) : nullptr;
    const PlotAxis* yAxis = model.yAxisCount() > 0 ? &model.yAxis(0) : nullptr;
    const qreal xLabelH = xAxis ? QFontMetricsF(xAxis->labelsFont).height() : 0;
    const qreal xTitleH = xAxis && xAxis->titleShow ? QFontMetricsF(xAxis->titleFont).height() : 0;
    const qreal yTitleH = yAxis && yAxis->titleShow ? QFontMetricsF(yAxis->titleFont).height() : 0;
    const qreal yLabelW = yAxis ? maxLabelWidth(yAxis->labelsFont, scaleTicks(view.yMin, view.ySpan, 8)) : 0;

    const qreal left = area.left() + kPad + yTitleH + kPad + yLabelW + kPad;
    const qreal right = area.right() - kPad - legendWidth - kPad;
    const qreal top = g.title.bottom() + kPad;
    const qreal bottom = area.bottom() - kPad - xTitleH - (xTitleH > 0 ? 2 : 0) - xLabelH - kPad;
    g.dataArea = QRectF(QPointF(left, top), QPointF(std::max(left + 1, right), std::max(top + 1, bottom)));
    g.legend = QRectF(g.dataArea.right() + kPad, top, legendWidth, model.channelCount() * (legendFm.height() + 4) + 8);
    g.xLabels = QRectF(g.dataArea.left(), g.dataArea.bottom() + kPad / 2, g.dataArea.width(), xLabelH);
    g.xTitle = QRectF(g.dataArea.left(), g.xLabels.bottom() + 2, g.dataArea.width(), xTitleH);
    g.yLabels = QRectF(g.dataArea.left() - kPad - yLabelW, g.dataArea.top(), yLabelW, g.dataArea.height());
    g.yTitle = QRectF(area.left() + kPad, g.dataArea.top(), yTitleH, g.dataArea.height());
    return g;
}

PlotPaintStats paintPlot(QPainter& p, const PlotModel& model, const PlotView& view, const QRectF& area, qreal topInset,
    const std::optional<PlotCursorMark>& cursor)
{
    PlotPaintStats stats;
    p.save();
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, QColor(0, 0, 255));
    gradient.setColorAt(1, QColor(0, 0, 0));
    p.fillRect(area, gradient);

    const PlotGeometry g = plotGeometry(model, view, area, topInset);
    p.setFont(model.titleFont);
    p.setPen(model.titleColor);
    p.drawText(g.title, Qt::AlignHCenter | Qt::AlignVCenter, model.titleText);

    if (!usableView(view)) {
        p.restore();
        return stats;
    }
    const Mapper m(g.dataArea, view);
    const PlotAxis* xAxis = model.xAxisCount() > 0 ? &model.xAxis(0) : nullptr;
    const PlotAxis* yAxis = model.yAxisCount() > 0 ? &model.yAxis(0) : nullptr;
    const ScaleTicks xTicks = scaleTicks(view.xMin, view.xSpan, std::max(2, static_cast<int>(g.dataArea.width() / 70)));
    const ScaleTicks yTicks = scaleTicks(view.yMin, view.ySpan, 8);

    // Grid lines, one pixel wide, at the scale marks.
    p.setPen(QPen(model.gridLineColor, 0));
    if (xAxis && xAxis->gridLines)
        for (double v : xTicks.values)
            p.drawLine(QPointF(m.px(v), g.dataArea.top()), QPointF(m.px(v), g.dataArea.bottom()));
    if (yAxis && yAxis->gridLines)
        for (double v : yTicks.values)
            p.drawLine(QPointF(g.dataArea.left(), m.py(v)), QPointF(g.dataArea.right(), m.py(v)));

    // Axis lines, scale labels and titles.
    if (xAxis) {
        p.setPen(QPen(xAxis->labelsColor, 0));
        p.drawLine(g.dataArea.bottomLeft(), g.dataArea.bottomRight());
        p.setFont(xAxis->labelsFont);
        const QFontMetricsF fm(xAxis->labelsFont);
        for (double v : xTicks.values) {
            const QString text = label(v, xTicks.decimals);
            const qreal w = fm.horizontalAdvance(text);
            p.drawText(QRectF(m.px(v) - w / 2 - 1, g.xLabels.top(), w + 2, g.xLabels.height()), Qt::AlignCenter, text);
        }
        if (xAxis->titleShow) {
            p.setPen(xAxis->titleColor);
            p.setFont(xAxis->titleFont);
            p.drawText(g.xTitle, Qt::AlignCenter, xAxis->title);
        }
    }
    if (yAxis) {
        p.setPen(QPen(yAxis->labelsColor, 0));
        p.drawLine(g.dataArea.topLeft(), g.dataArea.bottomLeft());
        p.setFont(yAxis->labelsFont);
        const QFontMetricsF fm(yAxis->labelsFont);
        for (double v : yTicks.values)
            p.drawText(QRectF(g.yLabels.left(), m.py(v) - fm.height() / 2, g.yLabels.width(), fm.height()),
                Qt::AlignRight | Qt::AlignVCenter, label(v, yTicks.decimals));
        if (yAxis->titleShow) {
            p.save();
            p.setPen(yAxis->titleColor);
            p.setFont(yAxis->titleFont);
            p.translate(g.yTitle.center());
            p.rotate(-90);
            p.drawText(QRectF(-g.yTitle.height() / 2, -g.yTitle.width() / 2, g.yTitle.height(), g.yTitle.width()),
                Qt::AlignCenter, yAxis->title);
            p.restore();
        }
    }

    // The traces, clipped to the data area.
    p.save();
    p.setClipRect(g.dataArea.adjusted(-1, -1, 1, 1));
    for (int i = 0; i < model.channelCount(); ++i) {
        const PlotChannel& c = model.channel(i);
        if (c.visible && !c.points.empty() && model.xAxisOf(c) && model.yAxisOf(c))
            drawChannel(p, c, m, view, stats);
    }
    if (cursor) {
        const QPointF at(m.px(cursor->x), m.py(cursor->y));
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.drawLine(QPointF(at.x(), g.dataArea.top()), QPointF(at.x(), g.dataArea.bottom()));
        p.setPen(QPen(Qt::white, 1));
        p.drawEllipse(at, 4, 4);
        p.setFont(model.legendFont);
        const QFontMetricsF fm(model.legendFont);
        const qreal w = fm.horizontalAdvance(cursor->text) + 8;
        QRectF box(at.x() + 6, g.dataArea.top() + 4, w, fm.height() + 4);
        if (box.right() > g.dataArea.right())
            box.moveRight(at.x() - 6);
        p.fillRect(box, QColor(0, 0, 0, 200));
        p.drawText(box, Qt::AlignCenter, cursor->text);
    }
    p.restore();

    // The legend: a line sample in each channel's colour and its title.
    p.setFont(model.legendFont);
    const QFontMetricsF legendFm(model.legendFont);
    qreal y = g.legend.top() + 4;
    for (int i = 0; i < model.channelCount(); ++i) {
        const PlotChannel& c = model.channel(i);
        const qreal rowH = legendFm.height() + 4;
        const qreal mid = y + rowH / 2;
        p.setPen(QPen(c.color, std::max(1, c.traceLineWidth)));
        p.drawLine(QPointF(g.legend.left() + kPad, mid), QPointF(g.legend.left() + kPad + kLegendSample, mid));
        p.setPen(model.legendColor);
        p.drawText(QRectF(g.legend.left() + kPad + kLegendSample + kPad, y, g.legend.right() - g.legend.left(), rowH),
            Qt::AlignLeft | Qt::AlignVCenter, c.titleText);
        y += rowH;
    }
    p.restore();
    return stats;
}

} // namespace tav
