#include "plotraster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tav {
namespace {

// std::floor and std::ceil are calls into libm on the baseline instruction
// set; these are enough for the clipped pixel coordinates here.
inline double floorFast(double v)
{
    const double t = static_cast<double>(static_cast<std::int64_t>(v));
    return t > v ? t - 1 : t;
}

inline double ceilFast(double v)
{
    const double t = static_cast<double>(static_cast<std::int64_t>(v));
    return t < v ? t + 1 : t;
}

} // namespace

TraceRaster::TraceRaster(QSize size, const QColor& color, int lineWidth)
    : TraceRaster(m_own, size, color, lineWidth)
{
}

TraceRaster::TraceRaster(QImage& buffer, QSize size, const QColor& color, int lineWidth)
    : m_image(buffer)
    , m_pixel(qPremultiply(color.rgba()))
    , m_lineWidth(std::clamp(lineWidth, 1, 16))
{
    size = size.expandedTo(QSize(1, 1));
    if (m_image.size() != size || m_image.format() != QImage::Format_ARGB32_Premultiplied)
        m_image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    m_w = m_image.width();
    m_h = m_image.height();
    m_bits = reinterpret_cast<quint32*>(m_image.bits());
    m_stride = m_image.bytesPerLine() / 4;
}

void TraceRaster::span(int x, int y, bool vertical)
{
    // A pen of lineWidth pixels, centred on the line, across its direction.
    const int first = -(m_lineWidth - 1) / 2;
    if (vertical) {
        if (y < 0 || y >= m_h)
            return;
        quint32* row = m_bits + y * m_stride;
        const int from = std::max(0, x + first), to = std::min(m_w, x + first + m_lineWidth);
        for (int px = from; px < to; ++px)
            row[px] = m_pixel;
    } else {
        if (x < 0 || x >= m_w)
            return;
        const int from = std::max(0, y + first), to = std::min(m_h, y + first + m_lineWidth);
        for (int py = from; py < to; ++py)
            m_bits[py * m_stride + x] = m_pixel;
    }
}

void TraceRaster::line(QPointF a, QPointF b)
{
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) || !std::isfinite(b.y()))
        return;
    // Clip to the layer (with a pen's margin) first, so that a segment
    // reaching far outside costs no more than its visible part.
    const double margin = m_lineWidth + 1;
    const double xmin = -margin, ymin = -margin, xmax = m_w + margin, ymax = m_h + margin;
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    auto inside = [&](QPointF q) { return q.x() >= xmin && q.x() <= xmax && q.y() >= ymin && q.y() <= ymax; };
    if (!inside(a) || !inside(b)) {
        const double p[4] = { -dx, dx, -dy, dy };
        const double q[4] = { a.x() - xmin, xmax - a.x(), a.y() - ymin, ymax - a.y() };
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0)
                    return;
                continue;
            }
            const double t = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            if (t0 > t1)
                return;
        }
    }
    const double x0 = a.x() + t0 * dx, y0 = a.y() + t0 * dy;
    const double x1 = a.x() + t1 * dx, y1 = a.y() + t1 * dy;
    const double ddx = x1 - x0, ddy = y1 - y0;
    const bool xMajor = std::fabs(ddx) >= std::fabs(ddy);
    const int steps = static_cast<int>(ceilFast(std::max(std::fabs(ddx), std::fabs(ddy))));
    // 16.16 fixed point; an arithmetic shift floors negative values as well.
    constexpr double kOne = 65536.0;
    std::int64_t fx = static_cast<std::int64_t>(floorFast(x0 * kOne));
    std::int64_t fy = static_cast<std::int64_t>(floorFast(y0 * kOne));
    if (steps == 0) {
        span(static_cast<int>(fx >> 16), static_cast<int>(fy >> 16), false);
        return;
    }
    const double perStep = kOne / steps;
    const std::int64_t stepX = static_cast<std::int64_t>(ddx * perStep);
    const std::int64_t stepY = static_cast<std::int64_t>(ddy * perStep);
    // Most segments lie well inside the layer: write them without a bounds
    // check per pixel.
    const int pen = m_lineWidth;
    const double lo = pen + 1.0;
    if (std::min(x0, x1) >= lo && std::max(x0, x1) < m_w - lo && std::min(y0, y1) >= lo
        && std::max(y0, y1) < m_h - lo) {
        const int first = -(pen - 1) / 2;
        if (xMajor) {
            for (int s = 0; s <= steps; ++s) {
                quint32* p = m_bits + ((fy >> 16) + first) * m_stride + (fx >> 16);
                for (int k = 0; k < pen; ++k, p += m_stride)
                    *p = m_pixel;
                fx += stepX;
                fy += stepY;
            }
        } else {
            for (int s = 0; s <= steps; ++s) {
                quint32* p = m_bits + (fy >> 16) * m_stride + (fx >> 16) + first;
                for (int k = 0; k < pen; ++k)
                    p[k] = m_pixel;
                fx += stepX;
                fy += stepY;
            }
        }
        return;
    }
    for (int s = 0; s <= steps; ++s) {
        span(static_cast<int>(fx >> 16), static_cast<int>(fy >> 16), !xMajor);
        fx += stepX;
        fy += stepY;
    }
}

void TraceRaster::verticalBar(qreal x, qreal y0, qreal y1)
{
    if (!std::isfinite(x) || !std::isfinite(y0) || !std::isfinite(y1))
        return;
    if (y0 > y1)
        std::swap(y0, y1);
    const int first = -(m_lineWidth - 1) / 2;
    const int left = std::max(0, static_cast<int>(std::floor(x)) + first);
    const int right = std::min(m_w, static_cast<int>(std::floor(x)) + first + m_lineWidth);
    const int top = std::max(0, static_cast<int>(std::floor(y0)));
    const int bottom = std::min(m_h - 1, static_cast<int>(std::floor(y1)));
    for (int y = top; y <= bottom; ++y) {
        quint32* row = m_bits + y * m_stride;
        for (int px = left; px < right; ++px)
            row[px] = m_pixel;
    }
}

void TraceRaster::polyline(const QPointF* points, std::size_t count)
{
    if (count == 1)
        line(points[0], points[0]);
    for (std::size_t i = 1; i < count; ++i)
        line(points[i - 1], points[i]);
}

} // namespace tav
