// The chart's model: how the axes follow appended points, how new elements
// are named, and the chart set-up per measurement variant.
#include "plotmodel.h"
#include "tform1.h"
#include "trendplot.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

struct Range {
    double min, max;
};

struct FreshModule {
    FreshModule() { tav::Unit1 = {}; }
};

// The chart as start-up leaves it (temperature variant).
struct SetUpChart : ::testing::Test {
    FreshModule fresh;
    tav::TForm1 form;
    tav::TrendPlot& plot = *form.iPlot1;

    Range x() const { return { plot.model().xAxis(0).min, plot.model().xAxis(0).max() }; }
    Range y() const { return { plot.model().yAxis(0).min, plot.model().yAxis(0).max() }; }
};

struct YStep {
    double y;
    Range expected;
};

TEST_F(SetUpChart, YRangeGrowsUpMovesDownAndNeverNarrows)
{
    ASSERT_DOUBLE_EQ(y().min, 0);
    ASSERT_DOUBLE_EQ(y().max, 40);
    const YStep steps[] = { { 55.0, { 0, 55 } }, { -5.0, { -5, 50 } }, { 52.0, { -5, 52 } }, { 20.0, { -5, 52 } },
        { -5.0, { -5, 52 } } };
    double xv = 0;
    for (const YStep& s : steps) {
        plot.appendPoint(0, xv++, s.y);
        EXPECT_DOUBLE_EQ(y().min, s.expected.min) << "after " << s.y;
        EXPECT_DOUBLE_EQ(y().max, s.expected.max) << "after " << s.y;
    }
}

TEST_F(SetUpChart, SecondChannelMovesTheSharedAxes)
{
    plot.appendPoint(1, 0, -250.0);
    EXPECT_DOUBLE_EQ(y().min, -250);
    EXPECT_DOUBLE_EQ(y().max, -210);
    EXPECT_EQ(plot.pointCount(1), 1u);
}

TEST_F(SetUpChart, XRangeScrollsToTheNewestPoint)
{
    for (int i = 0; i <= 100; ++i)
        plot.appendPoint(0, i, 20);
    EXPECT_DOUBLE_EQ(x().min, 0);
    EXPECT_DOUBLE_EQ(x().max, 100);
    plot.appendPoint(0, 101, 20);
    EXPECT_DOUBLE_EQ(x().min, 1);
    EXPECT_DOUBLE_EQ(x().max, 101);
    plot.appendPoint(0, 102, 20);
    EXPECT_DOUBLE_EQ(x().max, 102);
}

TEST_F(SetUpChart, XJumpsBackAfterTheCounterWrapsAndKeepsEveryPoint)
{
    for (int i = 0; i <= 65535; ++i)
        plot.appendPoint(0, i, 20);
    EXPECT_DOUBLE_EQ(x().min, 65435);
    plot.appendPoint(0, 0, 21);
    EXPECT_DOUBLE_EQ(x().min, 0);
    EXPECT_DOUBLE_EQ(x().max, 100);
    ASSERT_EQ(plot.pointCount(0), 65537u);
    EXPECT_DOUBLE_EQ(plot.pointX(0, 0), 0);
    EXPECT_DOUBLE_EQ(plot.pointX(0, 65536), 0);
    EXPECT_DOUBLE_EQ(plot.pointY(0, 65536), 21);
    // The two passes over X = 0 are two runs, both in view.
    EXPECT_EQ(plot.model().channel(0).points.visible(0, 100).size(), 2u);
}

TEST_F(SetUpChart, ReplayFromZeroAfterLivePointsJumpsBack)
{
    for (int i = 0; i < 300; ++i)
        plot.appendPoint(0, i, 20);
    EXPECT_DOUBLE_EQ(x().min, 199);
    for (int i = 0; i < 5; ++i)
        plot.appendPoint(0, i, 30);
    EXPECT_DOUBLE_EQ(x().min, 0);
    EXPECT_DOUBLE_EQ(x().max, 100);
    EXPECT_EQ(plot.pointCount(0), 305u);
    EXPECT_EQ(plot.pointCount(1), 0u);
}

TEST(AxisFollowing, FirstPointOutsideTheRangeMovesMinToIt)
{
    tav::PlotAxis ax; // a new X axis: 0..100, scroll, align first
    ax.trackingStyle = tav::TrackingStyle::ScrollSmooth;
    ax.trackingAlignFirst = true;
    tav::followValue(ax, 500);
    EXPECT_DOUBLE_EQ(ax.min, 500); // not 400: the first point sits at the left
    tav::followValue(ax, 650);
    EXPECT_DOUBLE_EQ(ax.min, 550);
    tav::followValue(ax, 560);
    EXPECT_DOUBLE_EQ(ax.min, 550);

    tav::PlotAxis late = ax;
    late.min = 0;
    late.firstValueSeen = true; // the rule applies only once
    tav::followValue(late, 500);
    EXPECT_DOUBLE_EQ(late.min, 400);
}

TEST(AxisFollowing, ValuesThatAreNotNumbersMoveNoAxisButAreKept)
{
    tav::PlotModel m;
    m.appendPoint(0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(m.xAxis(0).min, 0);
    EXPECT_DOUBLE_EQ(m.yAxis(0).span, 100);
    EXPECT_EQ(m.channel(0).points.size(), 1u);
    EXPECT_TRUE(m.channel(0).points.visible(-1e9, 1e9).empty());
    EXPECT_THROW(m.appendPoint(5, 0, 0), std::out_of_range);
}

TEST(ElementNaming, OneMoreThanTheHighestNumberOfItsKind)
{
    tav::PlotModel m;
    EXPECT_EQ(m.channel(0).name, QStringLiteral("Channel 1"));
    EXPECT_EQ(m.xAxis(0).name, QStringLiteral("X-Axis 1"));
    EXPECT_EQ(m.channel(m.addChannel()).name, QStringLiteral("Channel 2"));
    m.channel(0).name = QStringLiteral("Channel 7");
    EXPECT_EQ(m.channel(m.addChannel()).name, QStringLiteral("Channel 8"));

    m.removeAllChannels();
    m.removeAllXAxes();
    EXPECT_EQ(m.yAxisCount(), 1);
    const int c0 = m.addChannel();
    EXPECT_EQ(m.channel(c0).name, QStringLiteral("Channel 1"));
    EXPECT_EQ(m.channel(c0).titleText, QStringLiteral("Channel 1"));
    EXPECT_EQ(m.channel(c0).color, QColor(Qt::red)); // the only channel
    EXPECT_TRUE(m.channel(c0).xAxisName.isEmpty()); // no X axis to bind to
    const int x0 = m.addXAxis();
    EXPECT_EQ(m.xAxis(x0).name, QStringLiteral("X-Axis 1"));
    EXPECT_EQ(m.xAxis(x0).title, QStringLiteral("X-Axis 1"));
    EXPECT_FALSE(m.xAxis(x0).titleShow);
    EXPECT_EQ(m.channel(m.addChannel()).name, QStringLiteral("Channel 2"));
    EXPECT_EQ(m.channel(1).xAxisName, QStringLiteral("X-Axis 1"));
    // The cursor's reference by name binds to the new "Channel 1".
    EXPECT_EQ(m.channelIndex(m.cursorChannelName), 0);
}

struct VariantCase {
    int measureMode;
    const char* title;
    double ySpan;
    const char* yTitle;
    const char* channel0;
    const char* channel1;
};

class ChartSetUp : public ::testing::TestWithParam<VariantCase> { };

TEST_P(ChartSetUp, PerMeasurementVariant)
{
    const VariantCase v = GetParam();
    FreshModule fresh;
    tav::TForm1 form;
    tav::Unit1.MeasureMode = v.measureMode;
    form.iplot_init();
    const tav::PlotModel& m = form.iPlot1->model();

    EXPECT_EQ(m.titleText, QString::fromUtf8(v.title));
    ASSERT_EQ(m.yAxisCount(), 1);
    EXPECT_EQ(m.yAxis(0).name, QStringLiteral("Y-Axis 1"));
    EXPECT_DOUBLE_EQ(m.yAxis(0).min, 0);
    EXPECT_DOUBLE_EQ(m.yAxis(0).span, v.ySpan);
    EXPECT_EQ(m.yAxis(0).title, QString::fromUtf8(v.yTitle));
    EXPECT_TRUE(m.yAxis(0).titleShow);

    ASSERT_EQ(m.xAxisCount(), 1);
    const tav::PlotAxis& ax = m.xAxis(0);
    EXPECT_EQ(ax.name, QStringLiteral("X-Axis 1"));
    EXPECT_EQ(ax.title, QStringLiteral("采样时间(S)"));
    EXPECT_TRUE(ax.titleShow);
    EXPECT_DOUBLE_EQ(ax.min, 0);
    EXPECT_DOUBLE_EQ(ax.span, 100);
    EXPECT_EQ(ax.labelsColor, QColor(255, 0, 0));

    ASSERT_EQ(m.channelCount(), 2);
    const tav::PlotChannel& c0 = m.channel(0);
    const tav::PlotChannel& c1 = m.channel(1);
    EXPECT_EQ(c0.name, QStringLiteral("Channel 1"));
    EXPECT_EQ(c1.name, QStringLiteral("Channel 2"));
    EXPECT_EQ(c0.titleText, QString::fromUtf8(v.channel0));
    EXPECT_EQ(c1.titleText, QString::fromUtf8(v.channel1));
    EXPECT_EQ(c0.color, QColor(255, 0, 0));
    EXPECT_EQ(c1.color, QColor(255, 255, 0));
    EXPECT_EQ(c0.interpolation, tav::Interpolation::CubicSpline);
    EXPECT_EQ(c1.interpolation, tav::Interpolation::StraightLine);
    EXPECT_EQ(c0.traceLineWidth, 2);
    EXPECT_EQ(c1.traceLineWidth, 2);
    EXPECT_EQ(c0.xAxisName, QStringLiteral("X-Axis 1"));
    EXPECT_EQ(c1.xAxisName, QStringLiteral("X-Axis 1"));
    EXPECT_EQ(m.yAxisOf(c0), &m.yAxis(0));
    EXPECT_EQ(m.channelIndex(m.cursorChannelName), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, ChartSetUp,
    ::testing::Values(VariantCase { 2, "实时温度曲线", 40.0, "温度值(°C)", "温度1", "温度2" },
        VariantCase { 1, "实时距离曲线", 4000.0, "距离值(mm)", "距离1", "距离2" },
        // Any value other than 2 gives the distance texts.
        VariantCase { 0, "实时距离曲线", 4000.0, "距离值(mm)", "距离1", "距离2" },
        VariantCase { 3, "实时距离曲线", 4000.0, "距离值(mm)", "距离1", "距离2" }),
    [](const ::testing::TestParamInfo<VariantCase>& info) {
        return "MeasureMode" + std::to_string(info.param.measureMode);
    });

} // namespace
