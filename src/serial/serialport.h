#pragma once
// The serial-port component the window owns (XComm1): device name, open,
// close, is-open, read everything received, send. The only place that knows
// about devices, names and line settings.
#include "sensorport.h"

#include <QObject>
#include <QString>

#include <memory>

class QSerialPort;

namespace tav {

class SerialPort : public QObject, public SensorPort {
    Q_OBJECT
public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override; // closes an open port without raising

    // Taken unchanged: no trimming, no case change. Ignored while open.
    void setDeviceName(const QString& name);
    QString deviceName() const { return m_deviceName; }

    // The device path a name stands for: a name beginning with "/" is a path,
    // "COMn" (n >= 1) is /dev/ttyS(n-1), any other name is /dev/<name>.
    static QString devicePath(const QString& name);

    // Opens exclusively at 9600 8N1, no handshake, DTR and RTS off, both queues
    // discarded. Throws EDeviceError "Cannot open device <name>" when the
    // system refuses, "Device is allready opened." when open already.
    void open();
    // Throws EDeviceError "Device not opened." when not open.
    void close();

    bool isOpen() const override;
    // Throws EDeviceError "Unable to read from port. (error N: text)".
    Bytes readAll() override;
    // Throws EDeviceError "Unable to write to port. (error N: text)".
    bool send(ByteView frame) override;

    // Output queue size and send time limit.
    static constexpr int kOutputSize = 2048;
    static constexpr int kOutputTimeoutMs = 500;

private:
    QString m_deviceName;
    std::unique_ptr<QSerialPort> m_port;
};

} // namespace tav
