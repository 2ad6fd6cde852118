#include "logline.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tav {
namespace {

constexpr long long kMSecsPerDay = 86'400'000;

// Milliseconds since midnight: the whole date-time is rounded to the
// millisecond first, so 23:59:59.9996 reads as the next midnight, never as 24 h.
long long timeOfDayMs(DateTime t) noexcept
{
    if (!std::isfinite(t))
        return 0;
    const long long ms = std::llround(t * static_cast<double>(kMSecsPerDay));
    return std::llabs(ms) % kMSecsPerDay;
}

// Days from 1899-12-30 to the given civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) noexcept
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468 + 25569; // 1970-01-01 is day 25569
}

} // namespace

std::uint16_t HourOfTime(DateTime t) noexcept
{
    return static_cast<std::uint16_t>(timeOfDayMs(t) / 3'600'000);
}

std::uint16_t MinuteOfTime(DateTime t) noexcept
{
    return static_cast<std::uint16_t>(timeOfDayMs(t) / 60'000 % 60);
}

std::uint16_t SecondOfTime(DateTime t) noexcept
{
    return static_cast<std::uint16_t>(timeOfDayMs(t) / 1000 % 60);
}

DateTime encodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) noexcept
{
    const long long days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / static_cast<double>(kMSecsPerDay);
}

std::string formatFixed1(double value, std::string_view decimalSeparator)
{
    // to_chars is exact and ignores the C locale, unlike printf once Qt has
    // called setlocale().
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
    std::string out(buf, res.ptr);
    if (const auto dot = out.find('.'); dot != std::string::npos)
        out.replace(dot, 1, decimalSeparator);
    return out;
}

std::string formatLogLine(Clock& clock, std::string_view decimalSeparator, float reading)
{
    const unsigned hour = HourOfTime(clock.now());
    const unsigned minute = MinuteOfTime(clock.now());
    const unsigned second = SecondOfTime(clock.now());
    char time[32]; // room for any 16-bit field, though each is below 60
    std::snprintf(time, sizeof time, "%.2u:%.2u:%.2u", hour, minute, second);
    std::string line = time;
    line += ',';
    line += formatFixed1(static_cast<double>(reading), decimalSeparator);
    return line;
}

} // namespace tav
