#include "systemclock.h"

#include <chrono>
#include <ctime>

namespace tav {

DateTime SystemClock::now()
{
    using namespace std::chrono;
    const auto t = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(t);
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local); // the local time zone, as the operator reads the clock
    return encodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, static_cast<int>(ms < 0 ? ms + 1000 : ms));
}

} // namespace tav
