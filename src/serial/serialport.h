#pragma once
// The serial-port component the window owns (XComm1): device name, open,
// close, is-open, read everything received, send. The only place that knows
// about devices, names and line settings.
#include "sensorport.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QSerialPort;

namespace tav {

class SerialPort : public QObject, public SensorPort {
    Q_OBJECT
public:
    explicit SerialPort(QObject* parent = nullptr);
    // Releases an open port without raising: the device is free for another
    // program as soon as this returns.
    ~SerialPort() override;

    // Taken unchanged: no trimming, no case change. Ignored while open.
    void setDeviceName(const QString& name);
    QString deviceName() const { return m_deviceName; }

    // The device path a name stands for: a name beginning with "/" is a path,
    // "COMn" (n >= 1) is /dev/ttyS(n-1), any other name is /dev/<name>.
    static QString devicePath(const QString& name);

    // Names of the serial ports present, as they can be typed: the system's
    // port names (ttyUSB0, ttyS0, ...) and serial/by-id/<name> where the
    // system provides stable names.
    static QStringList availablePortNames();

    // Opens the device exclusively at 9600 bit/s, 8 data bits, no parity, one
    // stop bit, no handshake, DTR and RTS off where the device has modem-control
    // lines, both queues discarded. Either the port is open and fully set up
    // afterwards, or it is closed and EDeviceError is thrown:
    //   "Cannot open device <name>"  no such device, not a character device,
    //                                access denied, or held by another opener
    //                                (UUCP lock file or flock);
    //   "Unable to update device control block."  line settings refused;
    //   "Device is allready opened."  open already.
    void open();
    // Throws EDeviceError "Device not opened." when not open.
    void close();

    // True from a successful open() until close(), or until a read or send
    // finds the device gone.
    bool isOpen() const override;

    // Everything received, without waiting for bytes not yet arrived. Throws
    // EDeviceError "Unable to read from port. (error N: text)" with the
    // system's error number and text.
    Bytes readAll() override;
    // Writes while the output queue has room, giving up when nothing could be
    // written for more than kOutputTimeoutMs; true when every byte was written.
    // Throws EDeviceError "Unable to write to port. (error N: text)".
    bool send(ByteView frame) override;

    // Sizes of the receive and send queues, and the read and send time limits
    // (monotonic clock, passed only when strictly exceeded).
    static constexpr int kInputSize = 2048;
    static constexpr int kOutputSize = 2048;
    static constexpr int kInputTimeoutMs = 500;
    static constexpr int kOutputTimeoutMs = 500;

signals:
    // The device went away under the open port (adapter unplugged, the far
    // end of a pseudo-terminal closed): the port has closed itself. Emitted
    // by the read or send that found out, just before it throws its error.
    void closedByDevice();

private:
    void closeDevice();
    void checkDeviceGone();
    // Throws the read or write error for `err`; a device that is gone closes
    // the port first.
    [[noreturn]] void fail(const char* what, int err);

    QString m_deviceName;
    QSerialPort* m_port;
    bool m_open = false;
    // Set when the device was found gone between two operations; the next
    // read or send reports it.
    int m_lostErrno = 0;
};

} // namespace tav
