// The log line: time fields from three clock readings, "%.2d" and "%.1f" with
// the user's decimal separator.
#include "logline.h"
#include "systemclock.h"

#include <gtest/gtest.h>

#include <ctime>
#include <deque>

namespace {

// Hands out the given date-times one per reading, then repeats the last.
class ScriptedClock : public tav::Clock {
public:
    explicit ScriptedClock(std::deque<tav::DateTime> times) : m_times(std::move(times)) {}
    tav::DateTime now() override
    {
        ++readings;
        const tav::DateTime t = m_times.front();
        if (m_times.size() > 1)
            m_times.pop_front();
        return t;
    }
    int readings = 0;

private:
    std::deque<tav::DateTime> m_times;
};

tav::DateTime at(int h, int m, int s, int ms = 0) { return tav::encodeDateTime(2026, 12, 11, h, m, s, ms); }

struct LineRow {
    int h, m, s;
    float reading;
    const char* separator;
    const char* line;
};

class LogLines : public ::testing::TestWithParam<LineRow> {};

TEST_P(LogLines, Format)
{
    const auto& r = GetParam();
    ScriptedClock clock({at(r.h, r.m, r.s, 500)});
    EXPECT_EQ(tav::formatLogLine(clock, r.separator, r.reading), r.line);
    EXPECT_EQ(clock.readings, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, LogLines,
    ::testing::Values(LineRow{8, 5, 9, 23.4f, ".", "08:05:09,23.4"},
                      LineRow{14, 30, 0, -12.5f, ".", "14:30:00,-12.5"},
                      LineRow{0, 0, 7, 1500.0f, ".", "00:00:07,1500.0"},
                      LineRow{8, 5, 9, 23.4f, ",", "08:05:09,23,4"},
                      LineRow{9, 5, 3, -0.1f, ".", "09:05:03,-0.1"},
                      LineRow{0, 0, 0, 0.0f, ".", "00:00:00,0.0"},
                      LineRow{23, 59, 59, 0.5f, ",", "23:59:59,0,5"},
                      LineRow{12, 0, 0, 4711.3f, ".", "12:00:00,4711.3"},
                      LineRow{12, 0, 0, -553.4f, ".", "12:00:00,-553.4"}));

TEST(LogLine, FieldsComeFromThreeSuccessiveClockReadings)
{
    // The clock passes 08:59:59.999 -> 09:00:00.000 between the first and the
    // second reading: hour from the first, minute and second from the later ones.
    ScriptedClock clock({at(8, 59, 59, 999), at(9, 0, 0, 0), at(9, 0, 0, 1)});
    EXPECT_EQ(tav::formatLogLine(clock, ".", 1.0f), "08:00:00,1.0");
}

TEST(LogLine, ClockFieldsSplitTheTimeOfDay)
{
    const tav::DateTime t = at(23, 59, 59, 999);
    EXPECT_EQ(tav::HourOfTime(t), 23);
    EXPECT_EQ(tav::MinuteOfTime(t), 59);
    EXPECT_EQ(tav::SecondOfTime(t), 59);
    const tav::DateTime midnight = at(0, 0, 0);
    EXPECT_EQ(tav::HourOfTime(midnight), 0);
    EXPECT_EQ(tav::MinuteOfTime(midnight), 0);
    EXPECT_EQ(tav::SecondOfTime(midnight), 0);
    // Half a millisecond before midnight rounds to the next day's 00:00:00, never 24 h.
    EXPECT_EQ(tav::HourOfTime(at(23, 59, 59, 999) + 0.0006 / 86400.0), 0);
}

TEST(LogLine, ValueRoundsToNearestOneDecimal)
{
    EXPECT_EQ(tav::formatFixed1(25.04, "."), "25.0");
    EXPECT_EQ(tav::formatFixed1(25.06, "."), "25.1");
    // The float nearest 0.25 is exactly 0.25: a tie, resolved as printf does.
    EXPECT_EQ(tav::formatFixed1(static_cast<double>(0.25f), "."), "0.2");
    EXPECT_EQ(tav::formatFixed1(static_cast<double>(20.1f), ","), "20,1");
}

TEST(LogLine, SystemClockReadsTheLocalTimeOfDay)
{
    const std::time_t before = std::time(nullptr);
    const tav::DateTime t = tav::SystemClock().now();
    std::tm local{};
    localtime_r(&before, &local);
    const tav::DateTime expected = tav::encodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                                       local.tm_hour, local.tm_min, local.tm_sec);
    EXPECT_GE(t, expected);
    EXPECT_LT(t, expected + 2.0 / 86400.0);
}

} // namespace
