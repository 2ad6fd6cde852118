// The trend chart's costs: appending with many points held, repainting the
// live view and a view of everything, the memory a point takes, and the same
// work done with QtCharts' QSplineSeries as a baseline.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_plot
#include "plotmodel.h"
#include "trendplot.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QValueAxis>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>

namespace {

constexpr int kWidth = 770;
constexpr int kHeight = 520;

// X is the 16-bit sample counter (wrapping from 65535 to 0, as the program
// feeds the chart) or, with `wrap` off, the plain index; Y a slow wave with
// noise in tenths of a degree, as temperature readings look.
struct Feed {
    bool wrap = true;
    std::uint64_t n = 0;
    std::uint32_t seed = 12345;

    std::pair<double, double> next()
    {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 24) / 256.0 - 0.5;
        const double x = wrap ? static_cast<double>(static_cast<std::uint16_t>(n)) : static_cast<double>(n);
        const double y = std::round((25.0 + 4.0 * std::sin(static_cast<double>(n) * 0.001) + noise) * 10.0) / 10.0;
        ++n;
        return { x, y };
    }
};

std::unique_ptr<tav::TrendPlot> makePlot()
{
    auto plot = std::make_unique<tav::TrendPlot>();
    plot->resize(kWidth, kHeight);
    // The temperature set-up's ranges; channel 0 a spline, as the program has it.
    plot->yAxis(0).span = 40;
    plot->channel(0).interpolation = tav::Interpolation::CubicSpline;
    plot->channel(0).traceLineWidth = 2;
    return plot;
}

void fill(tav::TrendPlot& plot, Feed& feed, std::uint64_t count)
{
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto [x, y] = feed.next();
        plot.appendPoint(0, x, y);
    }
}

// Amortised cost of one append with `held` points already in the channel.
// Each iteration times a batch of appends; the chart is rebuilt to `held`
// points (untimed) whenever it has grown by a tenth.
void BM_Append(benchmark::State& state)
{
    const auto held = static_cast<std::uint64_t>(state.range(0));
    const std::uint64_t headroom = std::max<std::uint64_t>(held / 10, 10000);
    constexpr int kBatch = 1000;
    std::unique_ptr<tav::TrendPlot> plot;
    Feed feed;
    double seconds = 0;
    for (auto _ : state) {
        if (!plot || plot->pointCount(0) >= held + headroom) {
            plot.reset();
            plot = makePlot();
            feed = Feed {};
            fill(*plot, feed, held);
        }
        const auto t0 = std::chrono::steady_clock::now();
        for (int k = 0; k < kBatch; ++k) {
            const auto [x, y] = feed.next();
            plot->appendPoint(0, x, y);
        }
        const auto t1 = std::chrono::steady_clock::now();
        const double dt = std::chrono::duration<double>(t1 - t0).count();
        seconds += dt;
        state.SetIterationTime(dt);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["ns_per_append"] = seconds * 1e9 / static_cast<double>(state.iterations() * kBatch);
    state.counters["bytes_per_point"]
        = static_cast<double>(plot->model().bytesUsed()) / static_cast<double>(plot->pointCount(0));
}
BENCHMARK(BM_Append)->Arg(1000)->Arg(100000)->Arg(10000000)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One chart of 10M points kept between the paint benchmarks (building it
// takes a while), with the X counter wrapping or not.
tav::TrendPlot& heldPlot(bool wrap)
{
    static std::unique_ptr<tav::TrendPlot> plots[2];
    auto& plot = plots[wrap ? 1 : 0];
    if (!plot) {
        plot = makePlot();
        Feed feed;
        feed.wrap = wrap;
        fill(*plot, feed, 10'000'000);
    }
    return *plot;
}

void paintLoop(benchmark::State& state, tav::TrendPlot& plot)
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    tav::PlotPaintStats stats;
    for (auto _ : state) {
        QPainter p(&image);
        stats = plot.paintTo(p, QRectF(0, 0, kWidth, kHeight));
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points_drawn"] = static_cast<double>(stats.pointsVisited);
    state.counters["columns_drawn"] = static_cast<double>(stats.columnsDrawn);
    state.counters["bytes_per_point"]
        = static_cast<double>(plot.model().bytesUsed()) / static_cast<double>(plot.pointCount(0));
    state.counters["points_held"] = static_cast<double>(plot.pointCount(0));
}

// The live view: the last 100 samples, the axes tracking. With the counter
// wrapping, 10M points lie in 153 passes over 0..65535, so this X range holds
// about 153 traces of 100 points each; without wrapping it holds one.
void BM_PaintLiveView10M(benchmark::State& state)
{
    tav::TrendPlot& plot = heldPlot(state.range(0) != 0);
    plot.resume();
    state.SetLabel(state.range(0) ? "X wraps at 65535" : "X rising");
    paintLoop(state, plot);
}
BENCHMARK(BM_PaintLiveView10M)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// A view showing every one of the 10M points: per-pixel-column min/max.
void BM_PaintAll10M(benchmark::State& state)
{
    const bool wrap = state.range(0) != 0;
    tav::TrendPlot& plot = heldPlot(wrap);
    plot.setView({ 0, wrap ? 65536.0 : 1e7, 15, 20 });
    state.SetLabel(wrap ? "X wraps at 65535" : "X rising");
    paintLoop(state, plot);
    plot.resume();
}
BENCHMARK(BM_PaintAll10M)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// --- Baseline: the same points through QtCharts' QSplineSeries ---

struct ChartsChart {
    QChart* chart = new QChart;
    QSplineSeries* series = new QSplineSeries;
    QValueAxis* ax = new QValueAxis;
    QValueAxis* ay = new QValueAxis;
    QChartView view { chart };

    explicit ChartsChart(int n)
    {
        chart->addSeries(series);
        chart->addAxis(ax, Qt::AlignBottom);
        chart->addAxis(ay, Qt::AlignLeft);
        series->attachAxis(ax);
        series->attachAxis(ay);
        ax->setRange(0, n);
        ay->setRange(15, 35);
        view.resize(kWidth, kHeight);
    }
};

void BM_Baseline_QtChartsAppend(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto chart = std::make_unique<ChartsChart>(n);
        Feed feed;
        feed.wrap = false;
        state.ResumeTiming();
        for (int i = 0; i < n; ++i) {
            const auto [x, y] = feed.next();
            chart->series->append(x, y);
        }
        state.PauseTiming();
        chart.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Baseline_QtChartsAppend)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_Baseline_TrendPlotAppend(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto plot = makePlot();
        plot->xAxis(0).span = n;
        Feed feed;
        feed.wrap = false;
        state.ResumeTiming();
        fill(*plot, feed, static_cast<std::uint64_t>(n));
        state.PauseTiming();
        plot.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Baseline_TrendPlotAppend)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_Baseline_QtChartsPaint(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ChartsChart chart(n);
    Feed feed;
    feed.wrap = false;
    for (int i = 0; i < n; ++i) {
        const auto [x, y] = feed.next();
        chart.series->append(x, y);
    }
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        chart.view.render(&p);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Baseline_QtChartsPaint)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_Baseline_TrendPlotPaint(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    auto plot = makePlot();
    plot->xAxis(0).span = n;
    Feed feed;
    feed.wrap = false;
    fill(*plot, feed, static_cast<std::uint64_t>(n));
    plot->setView({ 0, static_cast<double>(n), 15, 20 });
    paintLoop(state, *plot);
}
BENCHMARK(BM_Baseline_TrendPlotPaint)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace
