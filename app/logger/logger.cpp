#include "logger.h"

#include "edeviceerror.h"
#include "systemclock.h"

#include <QDateTime>
#include <QLocale>

#include <chrono>
#include <cstdio>
#include <thread>

namespace tav {
namespace {

// The simulation's port name: exactly these four characters.
const QString kSimulationName = QStringLiteral("COM0");

void report(const std::string& text)
{
    std::fprintf(stderr, "tavrelon-logger: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace

Logger::Logger(const LoggerOptions& options, LineWriter& out, QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_out(out)
    , m_decimalSeparator(QLocale().decimalPoint().toStdString())
    , m_clock(std::make_unique<SystemClock>())
{
    m_state.MeasureMode = options.measureMode;
    m_hooks.pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(25)); };
    m_hooks.simulatedReading = [this] { simulatedReading(m_state, m_source, *this); };
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(static_cast<int>(options.intervalMs));
    connect(&m_timer, &QTimer::timeout, this, &Logger::onTick);
}

Logger::~Logger() = default;

void Logger::start()
{
    if (m_options.port == kSimulationName) {
        m_state.SimulationMode = true;
    } else {
        m_port.setDeviceName(m_options.port);
        try {
            m_port.open();
        } catch (const EDeviceError&) {
            // A later step of the opening may fail with the device open.
            if (m_port.isOpen())
                m_port.close();
            throw;
        }
    }
    m_timer.start();
}

std::string Logger::timestamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")).toStdString();
}

void Logger::appendLogLine(float reading)
{
    std::string line;
    if (m_options.timestamps == TimestampStyle::Iso)
        line = timestamp() + "," + formatFixed1(static_cast<double>(reading), m_decimalSeparator);
    else
        line = formatLogLine(*m_clock, m_decimalSeparator, reading);
    m_out.writeLine(line);
    ++m_counters.readings;
}

void Logger::onTick()
{
    if (m_finished)
        return;
    try {
        if (m_lost && !tryReopen())
            return;
        const TickOutcome outcome = pollTick(m_state, m_port, *this, m_hooks);
        switch (outcome) {
        case TickOutcome::ShortBlock:
            ++m_counters.shortReplies;
            ++m_counters.requestsSent;
            break;
        case TickOutcome::Reading:
            ++m_counters.requestsSent;
            break;
        case TickOutcome::CrcMismatch:
            ++m_counters.crcMismatches;
            break;
        case TickOutcome::PortClosed:
            // Only the serial layer closes the port behind our back, when
            // the device has gone away.
            deviceLost("Device not opened.");
            return;
        case TickOutcome::Simulated:
            break;
        }
    } catch (const EDeviceError& e) {
        deviceLost(e.what());
        return;
    } catch (const std::exception& e) {
        report(e.what());
        finish(1);
        return;
    }
    if (m_options.count && m_counters.readings >= *m_options.count)
        finish(0);
}

void Logger::deviceLost(const std::string& why)
{
    if (m_port.isOpen())
        m_port.close();
    if (!m_options.reconnect) {
        report(why);
        finish(1);
        return;
    }
    m_lost = true;
    report("lost " + m_options.port.toStdString() + ": " + why + "; trying to open it again once a period");
}

bool Logger::tryReopen()
{
    try {
        m_port.open();
    } catch (const EDeviceError&) {
        if (m_port.isOpen())
            m_port.close();
        return false;
    }
    m_lost = false;
    ++m_counters.reconnections;
    report("reopened " + m_options.port.toStdString());
    return true;
}

void Logger::finish(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    if (m_port.isOpen())
        m_port.close();
    const LoggerCounters& c = m_counters;
    std::fprintf(stderr,
        "requests sent: %llu\nreadings: %llu\nshort or empty replies: %llu\nCRC mismatches: %llu\n"
        "reconnections: %llu\n",
        static_cast<unsigned long long>(c.requestsSent), static_cast<unsigned long long>(c.readings),
        static_cast<unsigned long long>(c.shortReplies), static_cast<unsigned long long>(c.crcMismatches),
        static_cast<unsigned long long>(c.reconnections));
    std::fflush(stderr);
    emit finished(status);
}

} // namespace tav
