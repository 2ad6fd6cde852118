#include "peers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace tavtest {

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

PtyPair::PtyPair()
{
    m_socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_socat.start(QStringLiteral("socat"),
                  {QStringLiteral("pty,raw,echo=0,link=") + a(), QStringLiteral("pty,raw,echo=0,link=") + b()});
    m_ok = m_socat.waitForStarted(5000)
           && waitFor([this] { return QFileInfo::exists(a()) && QFileInfo::exists(b()); },
                      std::chrono::seconds(5));
}

PtyPair::~PtyPair() { kill(); }

void PtyPair::kill()
{
    if (m_socat.state() != QProcess::NotRunning) {
        m_socat.terminate();
        if (!m_socat.waitForFinished(3000)) {
            m_socat.kill();
            m_socat.waitForFinished(3000);
        }
    }
}

PeerProcess::PeerProcess(const QString& script, const QStringList& args)
{
    m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_proc.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(TAV_PEERS_DIR "/") + script} + args);
    // Ready only when the peer said so: a peer that ends first is not.
    if (m_proc.waitForStarted(5000))
        waitFor([this] {
            collect();
            return m_ready || m_proc.state() == QProcess::NotRunning;
        }, std::chrono::seconds(15));
}

PeerProcess::~PeerProcess() { stop(); }

void PeerProcess::collect()
{
    m_pending += m_proc.readAllStandardOutput();
    int nl;
    while ((nl = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(nl)).trimmed();
        m_pending.remove(0, nl + 1);
        if (line == QLatin1String("ready"))
            m_ready = true;
        else
            m_lines << line;
    }
}

QStringList PeerProcess::lines()
{
    collect();
    return m_lines;
}

void PeerProcess::stop()
{
    if (m_proc.state() != QProcess::NotRunning) {
        m_proc.terminate();
        if (!m_proc.waitForFinished(3000)) {
            m_proc.kill();
            m_proc.waitForFinished(3000);
        }
    }
    collect();
}

ModbusSlave::ModbusSlave(const QString& device, const QString& values, int registers, int step)
    : PeerProcess(QStringLiteral("modbus_slave.py"),
                  {QStringLiteral("--port"), device, QStringLiteral("--values"), values,
                   QStringLiteral("--registers"), QString::number(registers),
                   QStringLiteral("--step"), QString::number(step)})
{
}

} // namespace tavtest
