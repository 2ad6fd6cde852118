#include "serialport.h"

#include "edeviceerror.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tav {
namespace {

const char kReadFailed[] = "Unable to read from port.";
const char kWriteFailed[] = "Unable to write to port.";

EDeviceError systemError(const char* what, int err)
{
    return EDeviceError(QStringLiteral("%1 (error %2: %3)")
                            .arg(QString::fromUtf8(what))
                            .arg(err)
                            .arg(QString::fromLocal8Bit(std::strerror(err)))
                            .toStdString());
}

// Errors by which the system says the device itself is gone: a hung-up
// terminal (the far end of a pseudo-terminal closed, a USB adapter pulled)
// answers EIO; a removed device ENXIO or ENODEV.
bool deviceGone(int err)
{
    return err == EIO || err == ENXIO || err == ENODEV;
}

} // namespace

SerialPort::SerialPort(QObject* parent) : QObject(parent), m_port(new QSerialPort(this))
{
    // Bytes the event loop moves into QSerialPort's buffer before a tick
    // collects them: bounded like the driver's receive queue, so a talkative
    // device on a port nobody reads holds no more than this.
    m_port->setReadBufferSize(kInputSize);
    // QSerialPort reads on its own whenever the device signals input. On a
    // hung-up terminal that signal never stops and each read fails again, so
    // the device is checked once the event loop is back (not inside
    // QSerialPort's handler, which must not see its device closed under it)
    // and closed when it is gone; the next read or send reports it.
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError)
            checkDeviceGone();
    }, Qt::QueuedConnection);
}

SerialPort::~SerialPort()
{
    closeDevice();
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
    static const QRegularExpression com(
        QRegularExpression::anchoredPattern(QStringLiteral("COM([1-9][0-9]{0,8})")));
    if (const auto m = com.match(name); m.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(m.captured(1).toULongLong() - 1);
    return QStringLiteral("/dev/") + name;
}

QStringList SerialPort::availablePortNames()
{
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString& entry : byId.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        names << QStringLiteral("serial/by-id/") + entry;
    names.removeDuplicates();
    return names;
}

void SerialPort::open()
{
    if (isOpen())
        throw EDeviceError("Device is allready opened.");
    const EDeviceError cannotOpen(QStringLiteral("Cannot open device %1").arg(m_deviceName).toStdString());
    const QString path = devicePath(m_deviceName);

    // Only an existing character device is a port: never a regular file, a
    // directory (the empty name) or a pipe.
    struct stat st {};
    if (m_deviceName.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        throw cannotOpen;

    // QSerialPort applies these on opening, takes the UUCP lock file of the
    // device and sets TIOCEXCL on it.
    m_port->setPortName(path);
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite))
        throw cannotOpen;
    // TIOCEXCL does not hold back a privileged opener, and programs that lock
    // with flock (pyserial's exclusive mode, for one) do not look at lock
    // files: take the flock as well, and give up when someone else holds it.
    if (::flock(static_cast<int>(m_port->handle()), LOCK_EX | LOCK_NB) != 0) {
        m_port->close();
        throw cannotOpen;
    }
    m_open = true;
    m_lostErrno = 0;

    const int fd = static_cast<int>(m_port->handle());
    // What the device holds now, read back: 9600 bit/s (an input speed of 0
    // means "as output"), 8N1, no RTS/CTS and no XON/XOFF.
    termios tio {};
    const bool lineSettings = ::tcgetattr(fd, &tio) == 0 && ::cfgetospeed(&tio) == B9600
                              && (::cfgetispeed(&tio) == B9600 || ::cfgetispeed(&tio) == B0)
                              && (tio.c_cflag & CSIZE) == CS8
                              && (tio.c_cflag & (PARENB | CSTOPB | CRTSCTS)) == 0
                              && (tio.c_iflag & (IXON | IXOFF)) == 0;
    // Switch DTR and RTS off where the device has modem-control lines; a
    // pseudo-terminal has none and refuses TIOCMGET.
    int lines = 0;
    const bool modemLines = ::ioctl(fd, TIOCMGET, &lines) == 0;
    int off = TIOCM_DTR | TIOCM_RTS;
    if (!lineSettings || (modemLines && ::ioctl(fd, TIOCMBIC, &off) != 0)) {
        closeDevice();
        throw EDeviceError("Unable to update device control block.");
    }
    m_port->clear(QSerialPort::AllDirections);
    m_port->clearError();
}

void SerialPort::close()
{
    if (!isOpen())
        throw EDeviceError("Device not opened.");
    closeDevice();
}

void SerialPort::closeDevice()
{
    if (m_port->isOpen())
        m_port->close(); // releases the flock and the lock file with the descriptor
    m_open = false;
    m_lostErrno = 0;
}

void SerialPort::checkDeviceGone()
{
    if (!m_open || m_lostErrno != 0 || !m_port->isOpen())
        return;
    int waiting = 0;
    if (::ioctl(static_cast<int>(m_port->handle()), FIONREAD, &waiting) < 0 && deviceGone(errno)) {
        m_lostErrno = errno;
        m_port->close();
    }
}

bool SerialPort::isOpen() const
{
    return m_open;
}

void SerialPort::fail(const char* what, int err)
{
    const EDeviceError error = systemError(what, err);
    if (deviceGone(err)) {
        closeDevice();
        emit closedByDevice();
    }
    throw error;
}

Bytes SerialPort::readAll()
{
    if (!isOpen())
        throw EDeviceError("Device not opened.");
    if (m_lostErrno != 0)
        fail(kReadFailed, m_lostErrno);

    // Bytes the event loop already moved into QSerialPort's buffer came first,
    // then whatever the system holds right now.
    const QByteArray buffered = m_port->readAll();
    Bytes out(buffered.begin(), buffered.end());
    const int fd = static_cast<int>(m_port->handle());
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) < 0)
        fail(kReadFailed, errno);
    if (waiting <= 0)
        return out;

    // Those bytes are queued already, so this normally returns at once; bytes
    // arriving meanwhile stay queued for the next read.
    const std::size_t want = out.size() + static_cast<std::size_t>(waiting);
    QElapsedTimer clock; // monotonic
    clock.start();
    while (out.size() < want) {
        const std::size_t old = out.size();
        out.resize(want);
        const ssize_t got = ::read(fd, out.data() + old, want - old);
        const int err = errno;
        out.resize(old + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got > 0)
            continue;
        if (got < 0 && err != EAGAIN && err != EINTR)
            fail(kReadFailed, err);
        // End of file on a terminal is a hang-up; FIONREAD then tells why.
        if (got == 0 && ::ioctl(fd, FIONREAD, &waiting) < 0)
            fail(kReadFailed, errno);
        if (clock.elapsed() > kInputTimeoutMs)
            break;
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 1);
    }
    return out;
}

bool SerialPort::send(ByteView frame)
{
    if (!isOpen())
        throw EDeviceError("Device not opened.");
    if (m_lostErrno != 0)
        fail(kWriteFailed, m_lostErrno);
    const int fd = static_cast<int>(m_port->handle());
    QElapsedTimer clock; // monotonic
    clock.start();
    std::size_t done = 0;
    while (done < frame.size()) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) < 0)
            fail(kWriteFailed, errno);
        const int freeSpace = kOutputSize - queued;
        ssize_t wrote = 0;
        if (freeSpace > 0) {
            const std::size_t piece = std::min(static_cast<std::size_t>(freeSpace), frame.size() - done);
            wrote = ::write(fd, frame.data() + done, piece);
            if (wrote < 0) {
                if (errno != EAGAIN && errno != EINTR)
                    fail(kWriteFailed, errno);
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
