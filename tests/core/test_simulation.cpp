// Simulated readings: the same sequence at every start, values k + 20.1 in
// single precision, and one draw per reading that goes to display, chart and log.
#include "simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Recorder : tav::ReadingSink {
    std::vector<std::string> calls;
    std::vector<float> shown, plotted, logged;
    std::vector<double> xs;
    void showValue(int display, double value) override
    {
        calls.push_back("show" + std::to_string(display));
        shown.push_back(static_cast<float>(value));
    }
    void setSecondDisplayVisible(bool) override { calls.push_back("visible"); }
    void appendPoint(int channel, double x, double y) override
    {
        calls.push_back("point" + std::to_string(channel));
        xs.push_back(x);
        plotted.push_back(static_cast<float>(y));
    }
    void appendLogLine(float reading) override
    {
        calls.push_back("log");
        logged.push_back(reading);
    }
};

TEST(SimulatedValue, IsKPlus20Point1RoundedToSingle)
{
    for (int k = 0; k <= 9; ++k) {
        char text[16];
        std::snprintf(text, sizeof text, "%d.1", 20 + k);
        EXPECT_EQ(tav::simulatedValue(k), std::stof(text)) << k; // the float nearest to 2k.1
    }
}

TEST(SimulationSource, SameSequenceAtEveryStartAndEveryDigitDrawn)
{
    tav::SimulationSource first, second;
    std::vector<int> a, b;
    int seen[10] = {};
    for (int i = 0; i < 1000; ++i) {
        a.push_back(first.drawDigit());
        b.push_back(second.drawDigit());
        ASSERT_GE(a.back(), 0);
        ASSERT_LE(a.back(), 9);
        ++seen[a.back()];
    }
    EXPECT_EQ(a, b);
    for (int k = 0; k <= 9; ++k)
        EXPECT_GT(seen[k], 50) << k; // roughly uniform, not stuck
    // Not a constant or a short cycle.
    EXPECT_NE(std::vector<int>(a.begin(), a.begin() + 10), std::vector<int>(a.begin() + 10, a.begin() + 20));
}

TEST(SimulatedReading, OneDrawGoesToDisplayChartAndLog)
{
    tav::ModuleState state;
    state.SampleCount = 65534;
    state.MeasureMode = 2;
    tav::SimulationSource source, reference;
    Recorder sink;
    for (int i = 0; i < 40; ++i)
        tav::simulatedReading(state, source, sink);

    ASSERT_EQ(sink.logged.size(), 40u);
    EXPECT_EQ(sink.shown, sink.plotted);
    EXPECT_EQ(sink.shown, sink.logged);
    for (std::size_t i = 0; i < sink.shown.size(); ++i) {
        // One draw per reading: the n-th reading carries the n-th draw.
        EXPECT_EQ(sink.shown[i], tav::simulatedValue(reference.drawDigit())) << i;
        const float v = sink.shown[i];
        EXPECT_GE(v, 20.1f);
        EXPECT_LE(v, 29.1f);
        EXPECT_EQ(std::lround(static_cast<double>(v) * 10) % 10, 1) << v;
    }
    // Display 1, then channel 0, then the log; nothing else.
    EXPECT_EQ(std::vector<std::string>(sink.calls.begin(), sink.calls.begin() + 6),
              (std::vector<std::string>{"show1", "point0", "log", "show1", "point0", "log"}));
    EXPECT_EQ(sink.calls.size(), 120u);
    // X is SampleCount, which wraps from 65535 to 0.
    EXPECT_EQ(sink.xs[0], 65534.0);
    EXPECT_EQ(sink.xs[1], 65535.0);
    EXPECT_EQ(sink.xs[2], 0.0);
    EXPECT_EQ(state.SampleCount, 38);
}

} // namespace
