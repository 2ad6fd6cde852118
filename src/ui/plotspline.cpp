#include "plotspline.h"

#include <algorithm>
#include <cmath>

namespace tav {

std::vector<double> naturalSplineSecondDerivatives(std::span<const QPointF> p)
{
    const std::size_t n = p.size();
    std::vector<double> m(n, 0.0);
    if (n < 3)
        return m;
    // Equations for i = 1..n-2:
    //   h[i-1] m[i-1] + 2 (h[i-1] + h[i]) m[i] + h[i] m[i+1] = 6 (d[i] - d[i-1])
    // with h the X steps, d the slopes and m[0] = m[n-1] = 0.
    std::vector<double> c(n, 0.0), r(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double h0 = p[i].x() - p[i - 1].x();
        const double h1 = p[i + 1].x() - p[i].x();
        const double rhs = 6.0 * ((p[i + 1].y() - p[i].y()) / h1 - (p[i].y() - p[i - 1].y()) / h0);
        const double below = i > 1 ? h0 : 0.0;
        const double diag = 2.0 * (h0 + h1) - below * c[i - 1];
        c[i] = h1 / diag;
        r[i] = (rhs - below * r[i - 1]) / diag;
    }
    for (std::size_t i = n - 2; i >= 1; --i) {
        m[i] = r[i] - c[i] * m[i + 1];
        if (i == 1)
            break;
    }
    return m;
}

namespace {

void addStretch(QPainterPath& path, std::span<const QPointF> p)
{
    if (p.size() < 2)
        return;
    if (p.size() == 2) {
        path.lineTo(p[1]);
        return;
    }
    const std::vector<double> m = naturalSplineSecondDerivatives(p);
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const double h = p[i + 1].x() - p[i].x();
        const double slope = (p[i + 1].y() - p[i].y()) / h;
        const double d0 = slope - h * (2.0 * m[i] + m[i + 1]) / 6.0;
        const double d1 = slope + h * (m[i] + 2.0 * m[i + 1]) / 6.0;
        path.cubicTo(QPointF(p[i].x() + h / 3.0, p[i].y() + d0 * h / 3.0),
            QPointF(p[i + 1].x() - h / 3.0, p[i + 1].y() - d1 * h / 3.0), p[i + 1]);
    }
}

void flattenStretch(std::span<const QPointF> p, std::vector<QPointF>& out, double maxStep)
{
    if (p.size() < 3) {
        out.insert(out.end(), p.begin(), p.end());
        return;
    }
    const std::vector<double> m = naturalSplineSecondDerivatives(p);
    out.reserve(out.size() + p.size() * 3);
    out.push_back(p[0]);
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const double h = p[i + 1].x() - p[i].x();
        const int pieces = std::clamp(static_cast<int>(h / maxStep) + 1, 1, 64);
        const double perPiece = 1.0 / pieces;
        for (int k = 1; k < pieces; ++k) {
            // S(x) = A y0 + B y1 + ((A^3 - A) m0 + (B^3 - B) m1) h^2 / 6
            const double b = k * perPiece, a = 1.0 - b;
            const double y
                = a * p[i].y() + b * p[i + 1].y() + ((a * a * a - a) * m[i] + (b * b * b - b) * m[i + 1]) * h * h / 6.0;
            out.emplace_back(p[i].x() + b * h, y);
        }
        out.push_back(p[i + 1]);
    }
}

} // namespace

void flattenCubicSpline(std::span<const QPointF> points, std::vector<QPointF>& out, double maxStep)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i <= points.size(); ++i) {
        const bool cut
            = i == points.size() || std::isnan(points[i].x()) || (i > start && !(points[i].x() > points[i - 1].x()));
        if (!cut)
            continue;
        flattenStretch(points.subspan(start, i - start), out, maxStep);
        if (i < points.size() && std::isnan(points[i].x())) {
            out.push_back(points[i]);
            start = i + 1;
        } else {
            start = i;
        }
    }
}

void addCubicSpline(QPainterPath& path, std::span<const QPointF> points, bool connect)
{
    if (points.empty())
        return;
    if (connect)
        path.lineTo(points[0]);
    else
        path.moveTo(points[0]);
    std::size_t start = 0;
    for (std::size_t i = 1; i <= points.size(); ++i) {
        if (i < points.size() && points[i].x() > points[i - 1].x())
            continue;
        addStretch(path, points.subspan(start, i - start));
        if (i < points.size())
            path.lineTo(points[i]); // X repeats: a straight joint
        start = i;
    }
}

} // namespace tav
