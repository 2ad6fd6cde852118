#pragma once
// tavrelon-sensor as a real process with --verbose: its device path and the
// line it prints for each request.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavtest {

class SensorProcess {
public:
    explicit SensorProcess(const QStringList& args);
    ~SensorProcess();
    // The pseudo-terminal's path, empty when the sensor did not start.
    QString device() const { return m_device; }
    // "answered 251", "corrupted 251", "dropped", "closed", in order.
    QStringList events();
    // Only the events that answer a request (no "closed").
    QStringList requestEvents();
    // SIGTERM, then waits; returns the exit code (-1 when it had to be killed).
    int stop();
    QString errorText() const { return m_err; }

private:
    void collect();
    QProcess m_proc;
    QByteArray m_pending;
    QStringList m_lines;
    QString m_device;
    QString m_err;
};

} // namespace tavtest
