#include "serialport.h"

#include "edeviceerror.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSerialPort>

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tav {
namespace {

[[noreturn]] void throwSystem(const char* what, int err)
{
    throw EDeviceError(QStringLiteral("%1 (error %2: %3)")
                           .arg(QString::fromUtf8(what))
                           .arg(err)
                           .arg(QString::fromLocal8Bit(std::strerror(err)))
                           .toStdString());
}

} // namespace

SerialPort::SerialPort(QObject* parent) : QObject(parent) {}

SerialPort::~SerialPort()
{
    if (m_port && m_port->isOpen())
        m_port->close();
}

void SerialPort::setDeviceName(const QString& name)
{
    if (!isOpen())
        m_deviceName = name;
}

QString SerialPort::devicePath(const QString& name)
{
    if (name.startsWith(QLatin1Char('/')))
        return name;
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]*)$"));
    if (const auto m = com.match(name); m.hasMatch()) {
        bool ok = false;
        const qulonglong n = m.captured(1).toULongLong(&ok);
        if (ok)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + name;
}

void SerialPort::open()
{
    if (isOpen())
        throw EDeviceError("Device is allready opened.");
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(devicePath(m_deviceName));
    if (m_deviceName.isEmpty() || !port->open(QIODevice::ReadWrite))
        throw EDeviceError(QStringLiteral("Cannot open device %1").arg(m_deviceName).toStdString());
    m_port = std::move(port);
    if (!m_port->setBaudRate(QSerialPort::Baud9600) || !m_port->setDataBits(QSerialPort::Data8)
        || !m_port->setParity(QSerialPort::NoParity) || !m_port->setStopBits(QSerialPort::OneStop)
        || !m_port->setFlowControl(QSerialPort::NoFlowControl))
        throw EDeviceError("Unable to update device control block.");
    // A pseudo-terminal has no modem-control lines; failing to switch them off
    // there is not an error.
    m_port->setDataTerminalReady(false);
    m_port->setRequestToSend(false);
    m_port->clearError();
    m_port->clear(QSerialPort::AllDirections);
}

void SerialPort::close()
{
    if (!isOpen())
        throw EDeviceError("Device not opened.");
    m_port->close();
    m_port.reset();
}

bool SerialPort::isOpen() const
{
    return m_port && m_port->isOpen();
}

Bytes SerialPort::readAll()
{
    if (!isOpen())
        throw EDeviceError("Device not opened.");
    // Bytes the event loop already moved into the port's buffer come first,
    // then whatever the system holds right now.
    const QByteArray buffered = m_port->readAll();
    Bytes out(buffered.begin(), buffered.end());
    const int fd = static_cast<int>(m_port->handle());
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) < 0)
        throwSystem("Unable to read from port.", errno);
    if (waiting > 0) {
        const std::size_t old = out.size();
        out.resize(old + static_cast<std::size_t>(waiting));
        const ssize_t got = ::read(fd, out.data() + old, static_cast<std::size_t>(waiting));
        if (got < 0) {
            if (errno != EAGAIN)
                throwSystem("Unable to read from port.", errno);
            out.resize(old);
        } else {
            out.resize(old + static_cast<std::size_t>(got));
        }
    }
    return out;
}

bool SerialPort::send(ByteView frame)
{
    if (!isOpen())
        throw EDeviceError("Device not opened.");
    const int fd = static_cast<int>(m_port->handle());
    QElapsedTimer clock; // monotonic
    clock.start();
    std::size_t done = 0;
    while (done < frame.size()) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) < 0)
            queued = 0;
        const long freeSpace = kOutputSize - queued;
        ssize_t wrote = 0;
        if (freeSpace > 0) {
            const std::size_t piece = std::min<std::size_t>(static_cast<std::size_t>(freeSpace), frame.size() - done);
            wrote = ::write(fd, frame.data() + done, piece);
            if (wrote < 0) {
                if (errno != EAGAIN && errno != EINTR)
                    throwSystem("Unable to write to port.", errno);
                wrote = 0;
            }
        }
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
            continue;
        }
        if (clock.elapsed() > kOutputTimeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace tav
