#pragma once
// The poll timer: ticks every Interval milliseconds through the event loop
// while enabled. An Interval of 0 never ticks (a bare QTimer of 0 would fire
// continuously); an Interval beyond what QTimer takes is clamped to its maximum.
#include <QObject>
#include <QTimer>

#include <cstdint>

namespace tav {

class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);

    // Setting the value already held changes nothing; a new interval restarts
    // the countdown of a running timer.
    void setInterval(std::uint32_t ms);
    std::uint32_t interval() const { return m_interval; }
    void setEnabled(bool enabled);
    bool enabled() const { return m_enabled; }
    // True while ticks are actually scheduled.
    bool isTicking() const { return m_timer.isActive(); }

signals:
    void timeout();

private:
    void apply();

    QTimer m_timer;
    std::uint32_t m_interval = 1000;
    bool m_enabled = false;
};

} // namespace tav
