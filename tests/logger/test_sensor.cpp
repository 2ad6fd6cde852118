// tavrelon-sensor as a real process, spoken to through its pseudo-terminal
// the way a monitor opens it.
#include "crc16.h"
#include "programrun.h"
#include "sensorprocess.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes withCrc(Bytes frame)
{
    const auto crc = tav::CalcCRC16(frame);
    frame.insert(frame.end(), crc.begin(), crc.end());
    return frame;
}

const Bytes kReadRequest { 0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A };

// The device end, opened raw as a serial port is.
class Device {
public:
    explicit Device(const QString& path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios t {};
            ::tcgetattr(m_fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(m_fd, TCSANOW, &t);
        }
    }
    ~Device()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    void send(const Bytes& b) { ASSERT_EQ(::write(m_fd, b.data(), b.size()), static_cast<ssize_t>(b.size())); }
    // Everything that arrives within `quiet` of silence, at most `limit` in all.
    Bytes receive(std::chrono::milliseconds quiet = 150ms, std::chrono::milliseconds limit = 2s)
    {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p { m_fd, POLLIN, 0 };
            if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
                break;
            std::uint8_t buf[256];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    // Sends a request and takes what comes back.
    Bytes ask(const Bytes& request, std::chrono::milliseconds quiet = 150ms)
    {
        send(request);
        return receive(quiet);
    }

private:
    int m_fd = -1;
};

bool crcOk(const Bytes& b)
{
    if (b.size() < 3)
        return false;
    const auto crc = tav::CalcCRC16(std::span(b).first(b.size() - 2));
    return crc[0] == b[b.size() - 2] && crc[1] == b[b.size() - 1];
}

unsigned reg(const Bytes& b, std::size_t i) { return 256u * b[3 + 2 * i] + b[4 + 2 * i]; }

TEST(VirtualSensor, AnswersReadHoldingRegistersAsSlave1)
{
    for (const int registers : { 1, 2 }) {
        SCOPED_TRACE(registers);
        tavtest::SensorProcess sensor({ "--registers", QString::number(registers) });
        ASSERT_TRUE(sensor.device().startsWith(QLatin1String("/dev/pts/"))) << sensor.errorText().toStdString();
        Device dev(sensor.device());
        ASSERT_TRUE(dev.ok());

        const Bytes reply = dev.ask(kReadRequest);
        ASSERT_EQ(reply.size(), 5u + 2u * registers);
        EXPECT_EQ(reply[0], 0x01);
        EXPECT_EQ(reply[1], 0x03);
        EXPECT_EQ(reply[2], 2 * registers);
        EXPECT_TRUE(crcOk(reply));
        EXPECT_GE(reg(reply, 0), 200u);
        EXPECT_LE(reg(reply, 0), 300u);
        if (registers == 2) { // -10.0 to 10.0, negative ones as 65535 + value
            EXPECT_TRUE(reg(reply, 1) <= 100u || reg(reply, 1) >= 65435u) << reg(reply, 1);
        }
    }
}

TEST(VirtualSensor, IgnoresWhatIsNotARequestForIt)
{
    tavtest::SensorProcess sensor({});
    Device dev(sensor.device());
    ASSERT_TRUE(dev.ok());

    EXPECT_TRUE(dev.ask({ 0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0B }).empty()) << "damaged CRC";
    EXPECT_TRUE(dev.ask(withCrc({ 0x02, 0x03, 0x00, 0x00, 0x00, 0x01 })).empty()) << "another slave";
    // An unknown function gets the "illegal function" exception.
    EXPECT_EQ(dev.ask(withCrc({ 0x01, 0x04, 0x00, 0x00, 0x00, 0x01 })), withCrc({ 0x01, 0x84, 0x01 }));
    // After noise and half a frame the next whole request is found.
    Bytes noisy { 0x55, 0x01, 0x03, 0x00 };
    noisy.insert(noisy.end(), kReadRequest.begin(), kReadRequest.end());
    const Bytes reply = dev.ask(noisy);
    EXPECT_EQ(reply.size(), 7u);
    EXPECT_TRUE(crcOk(reply));
    EXPECT_EQ(sensor.requestEvents().size(), 2);
}

TEST(VirtualSensor, KeepsAnsweringWhenThePortIsClosedAndReopened)
{
    tavtest::SensorProcess sensor({});
    for (int opening = 0; opening < 3; ++opening) {
        SCOPED_TRACE(opening);
        Device dev(sensor.device());
        ASSERT_TRUE(dev.ok());
        const Bytes reply = dev.ask(kReadRequest);
        EXPECT_EQ(reply.size(), 7u);
        EXPECT_TRUE(crcOk(reply));
    }
    // The logger, a real serial client, after the raw openings above.
    const tavtest::ProgramRun run = tavtest::runProgram(
        QStringLiteral(TAV_LOGGER_EXE), { "--port", sensor.device(), "--period", "0.1", "--count", "2" });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.size(), 2);
}

TEST(VirtualSensor, OneSeedGivesOneFaultSequence)
{
    auto faults = [](const QString& seed) {
        tavtest::SensorProcess sensor({ "--seed", seed, "--drop", "0.3", "--corrupt", "0.3" });
        Device dev(sensor.device());
        QStringList kinds;
        for (int i = 0; i < 12; ++i) {
            const Bytes reply = dev.ask(kReadRequest, 80ms);
            kinds << (reply.empty() ? "dropped" : crcOk(reply) ? "answered" : "corrupted");
        }
        // What the sensor says it did is what came down the line.
        QStringList said;
        for (const QString& e : sensor.requestEvents())
            said << e.section(QLatin1Char(' '), 0, 0);
        EXPECT_EQ(said, kinds);
        return kinds;
    };
    const QStringList first = faults(QStringLiteral("42"));
    EXPECT_EQ(faults(QStringLiteral("42")), first);
    EXPECT_NE(faults(QStringLiteral("43")), first);
    EXPECT_TRUE(first.contains(QStringLiteral("dropped")));
    EXPECT_TRUE(first.contains(QStringLiteral("corrupted")));
    EXPECT_TRUE(first.contains(QStringLiteral("answered")));
}

TEST(VirtualSensor, DelayHoldsTheAnswerBack)
{
    tavtest::SensorProcess sensor({ "--delay", "300" });
    Device dev(sensor.device());
    dev.send(kReadRequest);
    EXPECT_TRUE(dev.receive(150ms, 200ms).empty());
    const Bytes reply = dev.receive(400ms, 1s);
    EXPECT_EQ(reply.size(), 7u);
}

TEST(VirtualSensor, LinkPointsAtTheDeviceAndGoesAtTheEnd)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("sensor"));
    tavtest::SensorProcess sensor({ "--link", link });
    ASSERT_FALSE(sensor.device().isEmpty());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), sensor.device());
    Device dev(link);
    EXPECT_EQ(dev.ask(kReadRequest).size(), 7u);
    EXPECT_EQ(sensor.stop(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(sensor.errorText().contains(QLatin1String("1 requests, 1 answered, 0 dropped, 0 corrupted")))
        << sensor.errorText().toStdString();
}

TEST(VirtualSensor, WrongArgumentsGiveStatus2)
{
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        { { "--registers", "3" }, "--registers needs a whole number from 1 to 2" },
        { { "--drop", "1.5" }, "--drop needs a probability from 0 to 1" },
        { { "--corrupt", "x" }, "--corrupt needs a probability from 0 to 1" },
        { { "--delay", "-1" }, "--delay needs a whole number" },
        { { "--seed" }, "option --seed needs a value" },
        { { "--bogus" }, "unknown option --bogus" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const tavtest::ProgramRun r = tavtest::runProgram(QStringLiteral(TAV_SENSOR_EXE), c.args, 5s);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tavrelon-sensor: ") + QLatin1String(c.message)))
            << r.err.toStdString();
    }
}

} // namespace
