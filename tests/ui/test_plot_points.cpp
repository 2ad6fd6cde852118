// The chart's point store and the spline: range queries across runs against
// a brute-force scan of a random fixture, column extents, and the spline's
// defining properties.
#include "plotpoints.h"
#include "plotspline.h"

#include <gtest/gtest.h>

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

using tav::PlotPoints;

// Points as the program produces them and worse: a counter that wraps and
// replays from zero, repeated X values, and long rising stretches crossing
// chunk boundaries.
struct Fixture {
    std::vector<double> xs, ys;
    PlotPoints points;

    explicit Fixture(unsigned seed, std::size_t n = 3 * PlotPoints::kChunkSize + 123)
    {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> step(0, 3), jump(0, 400), value(-500, 500);
        double x = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (jump(rng) == 0)
                x = jump(rng); // X goes back: wrap or replay
            else
                x += step(rng); // steps of 0 repeat X
            const double y = value(rng) / 10.0;
            xs.push_back(x);
            ys.push_back(y);
            points.append(x, y);
        }
    }

    // Runs found the slow way.
    std::vector<PlotPoints::Range> runs() const
    {
        std::vector<PlotPoints::Range> out;
        std::size_t start = 0;
        for (std::size_t i = 1; i <= xs.size(); ++i)
            if (i == xs.size() || xs[i] < xs[i - 1]) {
                out.push_back({ start, i });
                start = i;
            }
        return out;
    }

    std::vector<PlotPoints::Range> visibleBruteForce(double lo, double hi) const
    {
        std::vector<PlotPoints::Range> out;
        for (const PlotPoints::Range& run : runs()) {
            std::size_t b = run.end, e = run.begin;
            for (std::size_t i = run.begin; i < run.end; ++i)
                if (xs[i] >= lo && xs[i] <= hi) {
                    b = std::min(b, i);
                    e = i + 1;
                }
            if (b < e)
                out.push_back({ b, e });
        }
        return out;
    }
};

TEST(PlotPoints, KeepsEveryPointInOrder)
{
    const Fixture f(1);
    ASSERT_EQ(f.points.size(), f.xs.size());
    for (std::size_t i = 0; i < f.xs.size(); ++i) {
        ASSERT_EQ(f.points.x(i), f.xs[i]) << i;
        ASSERT_EQ(f.points.y(i), f.ys[i]) << i;
    }
    const auto runs = f.runs();
    ASSERT_EQ(f.points.runCount(), runs.size());
    for (std::size_t r = 0; r < runs.size(); ++r)
        EXPECT_EQ(f.points.run(r), runs[r]);
}

TEST(PlotPoints, VisibleRangesMatchABruteForceScan)
{
    for (unsigned seed : { 2u, 3u, 4u }) {
        const Fixture f(seed);
        std::mt19937 rng(seed * 7);
        const double xmax = *std::max_element(f.xs.begin(), f.xs.end());
        std::uniform_real_distribution<double> at(-10, xmax + 10), width(0, 300);
        for (int q = 0; q < 200; ++q) {
            // Bounds on sample numbers exactly, and between them.
            double lo = at(rng);
            if (q % 2 == 0)
                lo = std::round(lo);
            const double hi = q % 5 == 0 ? lo : lo + width(rng);
            ASSERT_EQ(f.points.visible(lo, hi), f.visibleBruteForce(lo, hi))
                << "seed " << seed << " [" << lo << ", " << hi << "]";
        }
    }
}

TEST(PlotPoints, MinMaxYMatchesAScanForAnyRange)
{
    const Fixture f(5);
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> at(0, f.xs.size() - 1);
    for (int q = 0; q < 300; ++q) {
        std::size_t a = at(rng), b = at(rng);
        if (a > b)
            std::swap(a, b);
        ++b;
        const auto [lo, hi] = f.points.minMaxY({ a, b });
        EXPECT_EQ(lo, *std::min_element(f.ys.begin() + static_cast<long>(a), f.ys.begin() + static_cast<long>(b)));
        EXPECT_EQ(hi, *std::max_element(f.ys.begin() + static_cast<long>(a), f.ys.begin() + static_cast<long>(b)));
    }
}

TEST(PlotPoints, ColumnExtentsMatchAScan)
{
    const Fixture f(6, 5 * PlotPoints::kChunkSize);
    for (const PlotPoints::Range& run : f.runs()) {
        if (run.size() < 2)
            continue;
        for (double scale : { 0.05, 0.7, 3.0 }) {
            const double x0 = f.xs[run.begin] - 3.3;
            std::vector<PlotPoints::Column> got;
            f.points.columns(run, x0, scale, got);
            std::vector<PlotPoints::Column> want;
            for (std::size_t i = run.begin; i < run.end; ++i) {
                const double col = std::floor((f.xs[i] - x0) * scale);
                if (want.empty() || want.back().column != col)
                    want.push_back({ col, i, i, f.ys[i], f.ys[i] });
                want.back().last = i;
                want.back().minY = std::min(want.back().minY, f.ys[i]);
                want.back().maxY = std::max(want.back().maxY, f.ys[i]);
            }
            ASSERT_EQ(got.size(), want.size());
            for (std::size_t k = 0; k < want.size(); ++k) {
                EXPECT_EQ(got[k].column, want[k].column);
                EXPECT_EQ(got[k].first, want[k].first);
                EXPECT_EQ(got[k].last, want[k].last);
                EXPECT_EQ(got[k].minY, want[k].minY);
                EXPECT_EQ(got[k].maxY, want[k].maxY);
            }
        }
    }
}

TEST(PlotPoints, WholeBlockColumnsCoverTheRangeAndItsExtent)
{
    PlotPoints p;
    std::vector<double> ys;
    for (int i = 0; i < 20000; ++i) {
        ys.push_back(std::sin(i * 0.01) * 10 + (i == 12345 ? 50 : 0));
        p.append(i, ys.back());
    }
    std::vector<PlotPoints::Column> cols;
    p.columns({ 0, p.size() }, 0, 0.01, cols, true); // 100 points a column
    ASSERT_FALSE(cols.empty());
    EXPECT_EQ(cols.front().first, 0u);
    EXPECT_EQ(cols.back().last, p.size() - 1);
    double top = -1e9;
    for (std::size_t k = 0; k < cols.size(); ++k) {
        if (k > 0) {
            EXPECT_EQ(cols[k].first, cols[k - 1].last + 1);
            EXPECT_GT(cols[k].column, cols[k - 1].column);
        }
        top = std::max(top, cols[k].maxY);
    }
    EXPECT_EQ(top, *std::max_element(ys.begin(), ys.end())); // the spike is not lost
    // The spike at X 12345 lands in its own column or the one before.
    const auto spike = std::find_if(cols.begin(), cols.end(), [&](const auto& c) { return c.maxY == top; });
    EXPECT_TRUE(spike->column == 123 || spike->column == 122);
}

TEST(PlotPoints, MemoryPerPointStaysNearSeventeenAndAHalfBytes)
{
    PlotPoints p;
    for (int i = 0; i < 1'000'000; ++i)
        p.append(i % 65536, 20.0);
    EXPECT_LE(static_cast<double>(p.bytesUsed()) / static_cast<double>(p.size()), 18.0);
}

TEST(Spline, NaturalSecondDerivativesSolveTheTridiagonalSystem)
{
    const QPointF peak[] = { { 0, 0 }, { 1, 1 }, { 2, 0 } };
    const std::vector<double> m = tav::naturalSplineSecondDerivatives(peak);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_DOUBLE_EQ(m[0], 0);
    EXPECT_DOUBLE_EQ(m[1], -3);
    EXPECT_DOUBLE_EQ(m[2], 0);

    // A straight line is its own spline.
    const QPointF line[] = { { 0, 1 }, { 1, 3 }, { 3, 7 }, { 4, 9 } };
    for (double v : tav::naturalSplineSecondDerivatives(line))
        EXPECT_NEAR(v, 0, 1e-12);
}

TEST(Spline, PassesThroughThePointsAndBreaksWhereXRepeats)
{
    const std::vector<QPointF> pts = { { 0, 0 }, { 10, 5 }, { 20, -3 }, { 20, 8 }, { 30, 2 }, { 40, 0 } };
    QPainterPath path;
    tav::addCubicSpline(path, pts);
    std::vector<QPointF> ends;
    for (int i = 0; i < path.elementCount(); ++i) {
        QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::CurveToElement) { // two control points, then the end
            i += 2;
            e = path.elementAt(i);
        }
        ends.emplace_back(e.x, e.y);
    }
    EXPECT_EQ(ends, pts);

    std::vector<QPointF> flat;
    tav::flattenCubicSpline(pts, flat, 2.0);
    for (const QPointF& p : pts)
        EXPECT_NE(std::find(flat.begin(), flat.end(), p), flat.end());
    EXPECT_GT(flat.size(), pts.size() * 3);
    for (std::size_t i = 1; i < flat.size(); ++i)
        EXPECT_GE(flat[i].x(), flat[i - 1].x());
}

} // namespace
