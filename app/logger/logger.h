#pragma once
// The headless poll loop: the window's tick on a timer, its readings written
// as log lines, its outcomes counted for the summary.
#include "linewriter.h"
#include "loggeroptions.h"
#include "logline.h"
#include "modulestate.h"
#include "polltick.h"
#include "sensorport.h"
#include "serialport.h"
#include "simulation.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

namespace tav {

struct LoggerCounters {
    std::uint64_t requestsSent = 0;
    std::uint64_t readings = 0;
    std::uint64_t shortReplies = 0; // fewer than 7 bytes, or none
    std::uint64_t crcMismatches = 0;
    std::uint64_t reconnections = 0;
};

class Logger : public QObject, public ReadingSink {
    Q_OBJECT
public:
    Logger(const LoggerOptions& options, LineWriter& out, QObject* parent = nullptr);
    ~Logger() override;

    // Opens the port ("COM0": simulation) and starts the timer; the first
    // tick comes one period later. Throws EDeviceError when the port cannot
    // be opened; the port is then closed again.
    void start();

    // Stops ticking, closes the port, prints the summary on standard error
    // and emits finished(status). Later calls do nothing.
    void finish(int status);

    const LoggerCounters& counters() const { return m_counters; }

    // ReadingSink: only the log line leaves the logger.
    void showValue(int, double) override { }
    void setSecondDisplayVisible(bool) override { }
    void appendPoint(int, double, double) override { }
    void appendLogLine(float reading) override;

signals:
    void finished(int status);

private:
    void onTick();
    void deviceLost(const std::string& why);
    bool tryReopen();
    std::string timestamp();

    LoggerOptions m_options;
    LineWriter& m_out;
    std::string m_decimalSeparator;
    std::unique_ptr<Clock> m_clock;
    ModuleState m_state;
    SimulationSource m_source;
    SerialPort m_port;
    TickHooks m_hooks;
    QTimer m_timer;
    LoggerCounters m_counters;
    bool m_lost = false;
    bool m_finished = false;
};

} // namespace tav
