#include "sensorprocess.h"

#include "peers.h"

#include <chrono>

namespace tavtest {

SensorProcess::SensorProcess(const QStringList& args)
{
    m_proc.start(QStringLiteral(TAV_SENSOR_EXE), QStringList { QStringLiteral("--verbose") } + args);
    if (!m_proc.waitForStarted(5000))
        return;
    waitFor(
        [this] {
            collect();
            return !m_lines.isEmpty() || m_proc.state() == QProcess::NotRunning;
        },
        std::chrono::seconds(5));
    if (!m_lines.isEmpty())
        m_device = m_lines.takeFirst();
}

SensorProcess::~SensorProcess() { stop(); }

void SensorProcess::collect()
{
    m_pending += m_proc.readAllStandardOutput();
    qsizetype nl;
    while ((nl = m_pending.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_pending.left(nl));
        m_pending.remove(0, nl + 1);
    }
}

QStringList SensorProcess::events()
{
    // Lines reach us only while we wait on the pipe: take what has come until
    // it has been quiet for a moment.
    while (m_proc.waitForReadyRead(30))
        collect();
    collect();
    return m_lines;
}

QStringList SensorProcess::requestEvents()
{
    QStringList out = events();
    out.removeAll(QStringLiteral("closed"));
    return out;
}

int SensorProcess::stop()
{
    int code = -1;
    if (m_proc.state() != QProcess::NotRunning) {
        m_proc.terminate();
        if (m_proc.waitForFinished(3000) && m_proc.exitStatus() == QProcess::NormalExit) {
            code = m_proc.exitCode();
        } else {
            m_proc.kill();
            m_proc.waitForFinished(3000);
        }
    } else if (m_proc.exitStatus() == QProcess::NormalExit) {
        code = m_proc.exitCode();
    }
    collect();
    m_err += QString::fromUtf8(m_proc.readAllStandardError());
    return code;
}

} // namespace tavtest
