#pragma once
// A fast, non-antialiased line rasteriser for dense traces: when a view holds
// thousands of points (many passes of the sample counter overlaid, or a view
// of everything), stroking them through QPainter costs microseconds a
// segment, while setting the few pixels each short segment covers costs
// nanoseconds. The layer is composited over the chart in one drawImage.
#include <QColor>
#include <QImage>
#include <QPointF>

namespace tav {

class TraceRaster {
public:
    // A transparent layer of `size` pixels; lines are `lineWidth` pixels
    // thick in `color`.
    TraceRaster(QSize size, const QColor& color, int lineWidth);
    // The same on `buffer`, which is reallocated only when its size differs
    // (repaints of one chart reuse one layer).
    TraceRaster(QImage& buffer, QSize size, const QColor& color, int lineWidth);

    // Segments between consecutive points; a point with a NaN coordinate
    // breaks the line. Coordinates are in the layer's pixels.
    void polyline(const QPointF* points, std::size_t count);
    void line(QPointF a, QPointF b);
    // A vertical stroke at `x` from y0 to y1 (either order).
    void verticalBar(qreal x, qreal y0, qreal y1);

    const QImage& image() const { return m_image; }

private:
    void span(int x, int y, bool vertical);

    QImage m_own;
    QImage& m_image;
    quint32 m_pixel;
    int m_lineWidth;
    int m_w;
    int m_h;
    quint32* m_bits;
    qsizetype m_stride;
};

} // namespace tav
