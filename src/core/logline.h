#pragma once
// The log line: "hh:mm:ss,value" with the value in "%.1f" and the user's
// decimal separator, and the clock-field functions it is built from.
#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

// Date-times are days since 1899-12-30 as a double, the time of day in the
// fraction, with millisecond resolution.
using DateTime = double;

// The local wall clock, handed in so that tests can pin it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() = 0;
};

std::uint16_t HourOfTime(DateTime t) noexcept;
std::uint16_t MinuteOfTime(DateTime t) noexcept;
std::uint16_t SecondOfTime(DateTime t) noexcept;

// Builds a date-time from a calendar date and a time of day.
DateTime encodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond = 0) noexcept;

// "%.1f" of `value` widened without change, with `decimalSeparator` in place of
// the full stop: 1500 -> "1500.0", -0.1 -> "-0.1".
std::string formatFixed1(double value, std::string_view decimalSeparator);

// "%.2d:%.2d:%.2d" of hour, minute and second, each from its own reading of
// the clock, in that order; then "," and the value. Carries no line break.
std::string formatLogLine(Clock& clock, std::string_view decimalSeparator, float reading);

} // namespace tav
