// End to end: an independent Modbus RTU slave (pymodbus) on one end of a
// pseudo-terminal pair, the window polling the other end through the serial
// component; readings checked on display 1, the chart and the log.
#include "logview.h"
#include "peers.h"
#include "polledwindow.h"
#include "serialport.h"
#include "sevensegmentdisplay.h"
#include "tform1.h"
#include "trendplot.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <chrono>

using namespace std::chrono_literals;

namespace {

struct Polling : tavtest::PolledWindow {
    // One tick, then one period for the slave to answer.
    void tick(tav::TForm1& form)
    {
        form.Timer1Timer();
        tavtest::waitFor([] { return false; }, 150ms);
    }
};

QStringList logLines(const tav::TForm1& form)
{
    return form.Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST_F(Polling, OneRegister)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250"), 0, 1); // 250, 251, ...
    ASSERT_TRUE(slave.ready());
    tav::TForm1 form;
    openPort(form);

    tick(form); // first tick after opening: nothing there, the request goes out
    EXPECT_EQ(tav::Unit1.SampleCount, 0);
    for (int i = 0; i < 4; ++i)
        tick(form);

    const QStringList served = slave.lines();
    ASSERT_GE(served.size(), 4);
    EXPECT_EQ(served.front(), QStringLiteral("served 250"));
    EXPECT_EQ(tav::Unit1.SampleCount, 4);

    const QStringList lines = logLines(form);
    ASSERT_EQ(lines.size(), 4);
    static const QRegularExpression shape(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d,(.*)$"));
    tav::TrendPlot& plot = *form.iPlot1;
    ASSERT_EQ(plot.pointCount(0), 4u);
    for (int i = 0; i < 4; ++i) {
        const auto m = shape.match(lines[i]);
        ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
        const double expected = (250 + i) / 10.0;
        EXPECT_EQ(m.captured(1), QString::number(expected, 'f', 1));
        EXPECT_EQ(plot.pointX(0, static_cast<std::size_t>(i)), i);
        EXPECT_FLOAT_EQ(static_cast<float>(plot.pointY(0, static_cast<std::size_t>(i))),
                        static_cast<float>(expected));
    }
    EXPECT_DOUBLE_EQ(form.iSevenSegmentAnalog1->value(), static_cast<double>(25.3f));
    EXPECT_EQ(plot.pointCount(1), 0u);
    EXPECT_FALSE(form.iSevenSegmentAnalog2->isVisibleTo(&form));
}

TEST_F(Polling, TwoRegisters)
{
    tavtest::ModbusSlave slave(pty.b(), QStringLiteral("250,65336"), 2);
    ASSERT_TRUE(slave.ready());
    tav::TForm1 form;
    openPort(form);
    tick(form);
    tick(form);
    tick(form);

    EXPECT_EQ(slave.lines().value(0), QStringLiteral("served 250 65336"));
    EXPECT_EQ(tav::Unit1.SampleCount, 2);
    EXPECT_DOUBLE_EQ(form.iSevenSegmentAnalog1->value(), 25.0);
    EXPECT_DOUBLE_EQ(form.iSevenSegmentAnalog2->value(), static_cast<double>(-19.9f));
    EXPECT_TRUE(form.iSevenSegmentAnalog2->isVisibleTo(&form));
    tav::TrendPlot& plot = *form.iPlot1;
    ASSERT_EQ(plot.pointCount(1), 2u);
    EXPECT_DOUBLE_EQ(plot.pointY(1, 0), static_cast<double>(-19.9f));
    EXPECT_DOUBLE_EQ(plot.pointX(1, 1), 1.0);
    const QStringList lines = logLines(form);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(",25.0"))) << lines[0].toStdString();
}

} // namespace
