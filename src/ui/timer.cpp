#include "timer.h"

#include <algorithm>
#include <limits>

namespace tav {

Timer::Timer(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
}

void Timer::setInterval(std::uint32_t ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    apply();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void Timer::apply()
{
    if (!m_enabled || m_interval == 0) {
        m_timer.stop();
        return;
    }
    const auto ms = std::min<std::uint32_t>(m_interval, std::numeric_limits<int>::max());
    m_timer.start(static_cast<int>(ms));
}

} // namespace tav
