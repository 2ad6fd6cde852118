// The serial-port component on real pseudo-terminal pairs: device names, line
// settings, exclusive opening against another program, reading everything
// received, sending, and a device that disappears under an open port.
#include "edeviceerror.h"
#include "peers.h"
#include "serialport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

using tav::Bytes;
using tav::EDeviceError;
using tav::SerialPort;

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EDeviceError& e) {
        return e.what();
    }
    return "(no error)";
}

// The peer's end of the pair, opened by the test itself.
class PeerEnd {
public:
    explicit PeerEnd(const QString& path) : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~PeerEnd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    void write(const Bytes& bytes) { ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    // Everything that arrives within `quiet` of the last byte.
    Bytes drain(std::chrono::milliseconds quiet = 100ms)
    {
        Bytes out;
        auto last = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - last < quiet) {
            std::uint8_t buf[4096];
            const ssize_t got = ::read(m_fd, buf, sizeof buf);
            if (got > 0) {
                out.insert(out.end(), buf, buf + got);
                last = std::chrono::steady_clock::now();
            } else {
                std::this_thread::sleep_for(2ms);
            }
        }
        return out;
    }

private:
    int m_fd;
};

void spin(std::chrono::milliseconds d)
{
    tavtest::waitFor([] { return false; }, d);
}

// Collects readAll() results until `count` bytes have come or a second passed.
Bytes readUntil(SerialPort& port, std::size_t count)
{
    Bytes got;
    tavtest::waitFor([&] {
        const Bytes more = port.readAll();
        got.insert(got.end(), more.begin(), more.end());
        return got.size() >= count;
    }, 1s);
    return got;
}

struct OnPty : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(pty.ok()) << "socat did not create the pseudo-terminal pair"; }
    tavtest::PtyPair pty;
};

TEST(DevicePath, NamesMapToDevices)
{
    const std::pair<const char*, const char*> rows[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM2", "/dev/ttyS1"},
        {"COM10", "/dev/ttyS9"},
        {"COM0", "/dev/COM0"},
        {"COM01", "/dev/COM01"},
        {"com1", "/dev/com1"},
        {" COM1", "/dev/ COM1"},
        {"COM1 ", "/dev/COM1 "},
        {"COM1\n", "/dev/COM1\n"},
        {"COM", "/dev/COM"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"ttyACM0", "/dev/ttyACM0"},
        {"serial/by-id/usb-FTDI_FT232R-if00-port0", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
        {"/dev/pts/3", "/dev/pts/3"},
        {"/tmp/x/a", "/tmp/x/a"},
        {"", "/dev/"},
    };
    for (const auto& [name, path] : rows)
        EXPECT_EQ(SerialPort::devicePath(QString::fromUtf8(name)), QString::fromUtf8(path)) << name;
}

TEST_F(OnPty, OpensAt9600Bit8N1WithoutHandshake)
{
    SerialPort port;
    port.setDeviceName(pty.a());
    port.open(); // a pseudo-terminal has no modem-control lines: not an error
    ASSERT_TRUE(port.isOpen());
    port.setDeviceName(QStringLiteral("ignored while open"));
    EXPECT_EQ(port.deviceName(), pty.a());

    const int fd = ::open(QFile::encodeName(pty.a()).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        EXPECT_EQ(errno, EBUSY); // TIOCEXCL keeps an unprivileged opener out
        return;
    }
    termios t{};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&t), B9600);
    EXPECT_EQ(::cfgetispeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNBRK), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
}

TEST_F(OnPty, DiscardsWhatWaitedAndReadsEverythingReceived)
{
    PeerEnd peer(pty.b());
    ASSERT_TRUE(peer.ok());
    SerialPort port;
    port.setDeviceName(pty.a());
    // Opened once and closed again: stray bytes sent meanwhile wait in the
    // system's queue and must not reach the next opening.
    port.open();
    port.close();
    peer.write({0xDE, 0xAD});
    std::this_thread::sleep_for(50ms);
    port.open();
    EXPECT_TRUE(port.readAll().empty());

    // Bytes already moved into the component's buffer by the event loop, and
    // bytes still held by the system, come together and in order; zero bytes
    // are data.
    peer.write({0x01, 0x03, 0x02, 0x00});
    spin(100ms);
    peer.write({0xF0, 0xB8, 0x00});
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(port.readAll(), (Bytes{0x01, 0x03, 0x02, 0x00, 0xF0, 0xB8, 0x00}));
    EXPECT_TRUE(port.readAll().empty()); // nothing more: returns at once

    Bytes big(1500);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    peer.write(big);
    EXPECT_EQ(readUntil(port, big.size()), big);
}

TEST_F(OnPty, SendsTheFrameAndGivesUpWhenNothingDrains)
{
    PeerEnd peer(pty.b());
    ASSERT_TRUE(peer.ok());
    SerialPort port;
    port.setDeviceName(pty.a());
    port.open();
    const Bytes request{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A};
    EXPECT_TRUE(port.send(request));
    EXPECT_TRUE(port.send(Bytes{}));
    EXPECT_EQ(peer.drain(), request);

    // Far more than the queues hold, with the far end not reading: the send
    // stops after its time limit and reports that not every byte went out.
    Bytes flood(1 << 20, 0x55);
    EXPECT_FALSE(port.send(flood));
    const Bytes arrived = peer.drain();
    EXPECT_GT(arrived.size(), 0u);
    EXPECT_LT(arrived.size(), flood.size());
}

TEST_F(OnPty, AnotherProgramHoldingThePortKeepsUsOut)
{
    {
        tavtest::PeerProcess holder(QStringLiteral("hold_port.py"), {QStringLiteral("--port"), pty.a()});
        ASSERT_TRUE(holder.ready()) << holder.lines().join(QLatin1Char('\n')).toStdString();
        SerialPort port;
        port.setDeviceName(pty.a());
        EXPECT_EQ(errorOf([&] { port.open(); }), "Cannot open device " + pty.a().toStdString());
        EXPECT_FALSE(port.isOpen());
    }
    // Once the other program has ended, the port opens.
    SerialPort port;
    port.setDeviceName(pty.a());
    port.open();
    EXPECT_TRUE(port.isOpen());
}

TEST_F(OnPty, OpenPortKeepsOthersOutAndIsFreeOnceReleased)
{
    auto port = std::make_unique<SerialPort>();
    port->setDeviceName(pty.a());
    port->open();

    {
        tavtest::PeerProcess other(QStringLiteral("hold_port.py"), {QStringLiteral("--port"), pty.a()});
        EXPECT_FALSE(other.ready());
        ASSERT_FALSE(other.lines().isEmpty());
        EXPECT_TRUE(other.lines().front().startsWith(QStringLiteral("busy"))) << other.lines().front().toStdString();
    }
    SerialPort second; // this program, a second time
    second.setDeviceName(pty.a());
    EXPECT_EQ(errorOf([&] { second.open(); }), "Cannot open device " + pty.a().toStdString());

    port.reset(); // destroyed while open
    tavtest::PeerProcess other(QStringLiteral("hold_port.py"), {QStringLiteral("--port"), pty.a()});
    EXPECT_TRUE(other.ready()) << other.lines().join(QLatin1Char('\n')).toStdString();
}

TEST(SerialPortErrors, NamesWithoutADeviceAndMisuse)
{
    for (const char* name : {"", "ttyNoSuchDevice", "/nonexistent/a", "/etc/hostname", "/dev/null", "/dev", "COM0"}) {
        SerialPort port;
        port.setDeviceName(QString::fromUtf8(name));
        EXPECT_EQ(errorOf([&] { port.open(); }), std::string("Cannot open device ") + name) << name;
        EXPECT_FALSE(port.isOpen()) << name;
    }
    SerialPort port;
    EXPECT_EQ(errorOf([&] { port.close(); }), "Device not opened.");
    EXPECT_EQ(errorOf([&] { port.readAll(); }), "Device not opened.");
    EXPECT_EQ(errorOf([&] { port.send(Bytes{1}); }), "Device not opened.");
}

TEST_F(OnPty, OpeningTwiceIsRefused)
{
    SerialPort port;
    port.setDeviceName(pty.a());
    port.open();
    EXPECT_EQ(errorOf([&] { port.open(); }), "Device is allready opened.");
    EXPECT_TRUE(port.isOpen());
}

// The far end disappears under the open port: the read or send that finds out
// raises the system's error, and the port has closed itself.
struct Unplugged : OnPty, ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(Unplugged, PortClosesItselfAndOpensAgainOnANewDevice)
{
    const auto [sending, eventsFirst] = GetParam();
    SerialPort port;
    QSignalSpy closed(&port, &SerialPort::closedByDevice);
    port.setDeviceName(pty.a());
    port.open();
    pty.kill();
    if (eventsFirst) // the component notices before the next tick
        spin(100ms);
    EXPECT_TRUE(port.isOpen()); // until a read or send finds out
    const Bytes request{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A};
    const std::string error = errorOf([&] {
        if (sending)
            port.send(request);
        else
            port.readAll();
    });
    EXPECT_EQ(error, std::string(sending ? "Unable to write to port." : "Unable to read from port.")
                         + " (error 5: Input/output error)");
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(errorOf([&] { port.readAll(); }), "Device not opened.");

    tavtest::PtyPair again;
    ASSERT_TRUE(again.ok());
    port.setDeviceName(again.a());
    port.open();
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.readAll().empty());
    EXPECT_EQ(closed.count(), 1);
}

// A hung-up terminal stays readable for ever, and every read of it fails:
// the component must stop listening instead of keeping the event loop busy
// until the next tick.
TEST_F(OnPty, HungUpDeviceDoesNotKeepTheEventLoopBusy)
{
    SerialPort port;
    port.setDeviceName(pty.a());
    port.open();
    auto* inner = port.findChild<QSerialPort*>();
    ASSERT_NE(inner, nullptr);
    int failedReads = 0;
    QObject::connect(inner, &QSerialPort::errorOccurred, [&](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError)
            ++failedReads;
    });
    pty.kill();
    spin(200ms);
    EXPECT_LT(failedReads, 20);
    EXPECT_TRUE(port.isOpen()); // reported by the next read
    EXPECT_EQ(errorOf([&] { port.readAll(); }), "Unable to read from port. (error 5: Input/output error)");
}

INSTANTIATE_TEST_SUITE_P(ReadOrSend, Unplugged,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Send" : "Read")
                                    + (std::get<1>(info.param) ? "AfterEvents" : "AtOnce");
                         });

} // namespace
