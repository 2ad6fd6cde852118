// tavrelon-logger as a real process: against the pymodbus slave on a
// pseudo-terminal pair, against the virtual sensor, under signals and with
// wrong command lines.
#include "logline.h"
#include "peers.h"
#include "programrun.h"
#include "sensorprocess.h"
#include "simulation.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <string>

using namespace std::chrono_literals;
using tavtest::ProgramRun;

namespace {

const QString kLogger = QStringLiteral(TAV_LOGGER_EXE);

ProgramRun runLogger(const QStringList& args) { return tavtest::runProgram(kLogger, args); }

// "answered 251 [V2]" to the first register in tenths, as the logger writes it.
QString tenths(const QString& event)
{
    const int raw = event.section(QLatin1Char(' '), 1, 1).toInt();
    return QString::number(raw / 10.0, 'f', 1);
}

// The first `n` values the deterministic simulation logs, with a full stop.
QStringList simulatedValues(int n)
{
    tav::SimulationSource source;
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QString::fromStdString(tav::formatFixed1(tav::simulatedValue(source.drawDigit()), "."));
    return out;
}

// A logger that runs until told otherwise, its output read as it comes.
class RunningLogger {
public:
    explicit RunningLogger(const QStringList& args)
    {
        m_proc.start(kLogger, args);
        m_proc.waitForStarted(5000);
    }
    ~RunningLogger()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(3000);
        }
    }
    QStringList lines()
    {
        m_out += m_proc.readAllStandardOutput();
        return tavtest::splitLines(m_out);
    }
    QString err()
    {
        m_err += QString::fromUtf8(m_proc.readAllStandardError());
        return m_err;
    }
    bool waitForLines(qsizetype n, std::chrono::milliseconds timeout = 5s)
    {
        return tavtest::waitFor([&] { return lines().size() >= n; }, timeout);
    }
    void signal(int signo) { ::kill(static_cast<pid_t>(m_proc.processId()), signo); }
    // Waits for the end; the exit code, or -1 after a crash or a signal death.
    int finish()
    {
        m_proc.waitForFinished(10000);
        lines();
        err();
        return m_proc.exitStatus() == QProcess::NormalExit ? m_proc.exitCode() : -1;
    }
    bool running() const { return m_proc.state() != QProcess::NotRunning; }

private:
    QProcess m_proc;
    QByteArray m_out;
    QString m_err;
};

// --- against the independent pymodbus slave ------------------------------

struct SlaveCase {
    const char* name;
    QStringList modeArgs;
    QString values;
    int registers;
    QStringList expected;
};

void PrintTo(const SlaveCase& c, std::ostream* os) { *os << c.name; }

class AgainstSlave : public ::testing::TestWithParam<SlaveCase> { };

TEST_P(AgainstSlave, LogsEachReadingAndCountsTheTicks)
{
    const SlaveCase& c = GetParam();
    tavtest::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    tavtest::ModbusSlave slave(pty.b(), c.values, c.registers, 1);
    ASSERT_TRUE(slave.ready());

    const ProgramRun run = runLogger(QStringList { "--port", pty.a(), "--period", "0.2", "--count", "4" } + c.modeArgs);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(tavtest::valuesOf(run.out), c.expected);

    // First tick: nothing there yet, the request goes out; then one reading
    // per tick, each followed by the next request.
    const auto s = tavtest::summaryOf(run.err);
    EXPECT_EQ(s.at("readings"), 4);
    EXPECT_EQ(s.at("requests sent"), 5);
    EXPECT_EQ(s.at("short or empty replies"), 1);
    EXPECT_EQ(s.at("CRC mismatches"), 0);
    EXPECT_EQ(s.at("reconnections"), 0);
    EXPECT_TRUE(tavtest::waitFor([&] { return slave.lines().size() >= 4; }, 2s));
}

INSTANTIATE_TEST_SUITE_P(Modes, AgainstSlave,
    ::testing::Values(SlaveCase { "Temperature", {}, "250", 0, { "25.0", "25.1", "25.2", "25.3" } },
        SlaveCase { "Distance", { "--mode", "distance" }, "250", 0, { "250.0", "251.0", "252.0", "253.0" } },
        // Sign rule on the logged first register; the second is never logged.
        SlaveCase { "TwoRegistersNegative", {}, "65336,250", 2, { "-19.9", "-19.8", "-19.7", "-19.6" } },
        SlaveCase {
            "DistanceSignRule", { "--mode", "distance" }, "60000", 0, { "60000.0", "-5534.0", "-5533.0", "-5532.0" } }),
    [](const auto& info) { return std::string(info.param.name); });

// --- against the virtual sensor ------------------------------------------

TEST(AgainstVirtualSensor, ReadingsAreTheAnswersAndFaultsAreCounted)
{
    tavtest::SensorProcess sensor({ "--seed", "7", "--drop", "0.2", "--corrupt", "0.2" });
    ASSERT_FALSE(sensor.device().isEmpty()) << sensor.errorText().toStdString();

    const ProgramRun run = runLogger({ "--port", sensor.device(), "--period", "0.1", "--count", "8" });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    tavtest::waitFor([] { return false; }, 200ms); // the last request reaches the sensor
    sensor.stop();
    const QStringList events = sensor.requestEvents();
    ASSERT_FALSE(events.isEmpty());

    // Every request but the last was answered before the logger's next tick.
    QStringList answered;
    int dropped = 0, corrupted = 0;
    for (qsizetype i = 0; i + 1 < events.size(); ++i) {
        if (events[i].startsWith(QLatin1String("answered")))
            answered << tenths(events[i]);
        else if (events[i] == QLatin1String("dropped"))
            ++dropped;
        else if (events[i].startsWith(QLatin1String("corrupted")))
            ++corrupted;
    }
    ASSERT_GT(dropped + corrupted, 0) << "seed 7 should inject faults";
    EXPECT_EQ(tavtest::valuesOf(run.out), answered);
    for (const QString& v : answered) {
        EXPECT_GE(v.toDouble(), 20.0);
        EXPECT_LE(v.toDouble(), 30.0);
    }
    const auto s = tavtest::summaryOf(run.err);
    EXPECT_EQ(s.at("readings"), 8);
    EXPECT_EQ(s.at("requests sent"), events.size());
    EXPECT_EQ(s.at("CRC mismatches"), corrupted);
    // The first tick, every dropped request and the empty tick after each
    // damaged answer.
    EXPECT_EQ(s.at("short or empty replies"), 1 + dropped + corrupted);
}

TEST(AgainstVirtualSensor, SigkillLosesNoLineAlreadyWritten)
{
    for (const bool toFile : { false, true }) {
        SCOPED_TRACE(toFile ? "--output FILE" : "standard output");
        tavtest::SensorProcess sensor({});
        ASSERT_FALSE(sensor.device().isEmpty());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("log.csv"));
        QStringList args { "--port", sensor.device(), "--period", "0.1" };
        if (toFile)
            args << "--output" << file;
        RunningLogger logger(args);

        auto written = [&] {
            if (!toFile)
                return logger.lines();
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? tavtest::splitLines(f.readAll()) : QStringList {};
        };
        // Lines show up while the logger runs: nothing waits in a buffer.
        ASSERT_TRUE(tavtest::waitFor([&] { return written().size() >= 4; }, 5s));
        logger.signal(SIGKILL);
        EXPECT_EQ(logger.finish(), -1);
        tavtest::waitFor([] { return false; }, 200ms);
        sensor.stop();

        QStringList answered;
        for (const QString& e : sensor.requestEvents())
            answered << tenths(e);
        const QStringList values = tavtest::valuesOf(written());
        // The answer to the last request may still have been on its way.
        ASSERT_TRUE(values.size() == answered.size() || values.size() + 1 == answered.size())
            << values.size() << " lines, " << answered.size() << " answers";
        EXPECT_EQ(values, answered.mid(0, values.size()));
        if (toFile) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_TRUE(f.readAll().endsWith('\n')) << "a line was cut";
        }
    }
}

TEST(AgainstVirtualSensor, ReconnectCarriesOnWhenTheDeviceComesBack)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("sensor"));
    auto first = std::make_unique<tavtest::SensorProcess>(QStringList { "--link", link });
    ASSERT_FALSE(first->device().isEmpty());
    RunningLogger logger({ "--port", link, "--period", "0.1", "--reconnect" });
    ASSERT_TRUE(logger.waitForLines(2));

    first.reset(); // the device goes away, and its link with it
    ASSERT_TRUE(tavtest::waitFor([&] { return logger.err().contains(QLatin1String("lost ")); }, 3s));
    const qsizetype before = logger.lines().size();
    tavtest::waitFor([] { return false; }, 300ms); // a few failed attempts to reopen
    EXPECT_EQ(logger.lines().size(), before);
    EXPECT_TRUE(logger.running());

    tavtest::SensorProcess second({ "--link", link });
    ASSERT_FALSE(second.device().isEmpty());
    ASSERT_TRUE(tavtest::waitFor([&] { return logger.err().contains(QLatin1String("reopened ")); }, 3s));
    ASSERT_TRUE(logger.waitForLines(before + 2));

    logger.signal(SIGTERM);
    EXPECT_EQ(logger.finish(), 0);
    const auto s = tavtest::summaryOf(logger.err());
    EXPECT_EQ(s.at("reconnections"), 1);
    EXPECT_EQ(s.at("readings"), logger.lines().size());
    EXPECT_EQ(logger.err().count(QLatin1String("lost ")), 1);
    EXPECT_EQ(logger.err().count(QLatin1String("reopened ")), 1);
}

TEST(AgainstVirtualSensor, WithoutReconnectALostDeviceEndsTheLogger)
{
    auto sensor = std::make_unique<tavtest::SensorProcess>(QStringList {});
    ASSERT_FALSE(sensor->device().isEmpty());
    RunningLogger logger({ "--port", sensor->device(), "--period", "0.1" });
    ASSERT_TRUE(logger.waitForLines(2));
    sensor.reset();
    EXPECT_EQ(logger.finish(), 1);
    EXPECT_TRUE(logger.err().contains(QLatin1String("tavrelon-logger: "))) << logger.err().toStdString();
    EXPECT_EQ(tavtest::summaryOf(logger.err()).at("readings"), logger.lines().size());
}

// --- simulation, signals, command line ------------------------------------

TEST(Simulation, Com0LogsTheSameSequenceEveryRun)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sim.csv"));
    for (int run = 0; run < 2; ++run) {
        const ProgramRun r = runLogger({ "--port", "COM0", "--period", "0.02", "--count", "6", "--output", file });
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        const auto s = tavtest::summaryOf(r.err);
        EXPECT_EQ(s.at("readings"), 6);
        EXPECT_EQ(s.at("requests sent"), 0);
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // --output appends: the second run follows the first.
    const QStringList expected = simulatedValues(6);
    EXPECT_EQ(tavtest::valuesOf(tavtest::splitLines(f.readAll())), expected + expected);
}

TEST(Simulation, IsoTimestampsCarryDateAndMilliseconds)
{
    const ProgramRun r = runLogger({ "--port", "COM0", "--period", "0.02", "--count", "3", "--timestamps", "iso" });
    ASSERT_EQ(r.exitCode, 0);
    static const QRegularExpression iso(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3},(\\d+\\.\\d)$"));
    ASSERT_EQ(r.out.size(), 3);
    const QStringList expected = simulatedValues(3);
    for (int i = 0; i < 3; ++i) {
        const auto m = iso.match(r.out[i]);
        ASSERT_TRUE(m.hasMatch()) << r.out[i].toStdString();
        EXPECT_EQ(m.captured(1), expected[i]);
    }
}

TEST(Signals, StopCleanlyWithSummaryAndStatusZero)
{
    for (const int signo : { SIGTERM, SIGINT }) {
        SCOPED_TRACE(signo == SIGTERM ? "SIGTERM" : "SIGINT");
        RunningLogger logger({ "--port", "COM0", "--period", "0.05" });
        ASSERT_TRUE(logger.waitForLines(3));
        logger.signal(signo);
        ASSERT_EQ(logger.finish(), 0);
        const auto s = tavtest::summaryOf(logger.err());
        ASSERT_EQ(s.size(), 5u) << logger.err().toStdString();
        EXPECT_EQ(s.at("readings"), logger.lines().size());
        EXPECT_EQ(tavtest::valuesOf(logger.lines()), simulatedValues(static_cast<int>(logger.lines().size())));
    }
}

TEST(CommandLine, WrongArgumentsGiveStatus2AndAUsageLine)
{
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        { {}, "--port is required" },
        { { "--port", "COM0", "--period", "0" }, "period must be at least 1 ms" },
        { { "--port", "COM0", "--period", "0.0004" }, "period must be at least 1 ms" },
        { { "--port", "COM0", "--period", "-1" }, "period must be at least 1 ms" },
        { { "--port", "COM0", "--period", "abc" }, "'abc' is not a valid floating point value" },
        { { "--port", "COM0", "--period", "1,5" }, "'1,5' is not a valid floating point value" },
        { { "--port", "COM0", "--period", "1e7" }, "period must be at most" },
        { { "--port", "COM0", "--period" }, "option --period needs a value" },
        { { "--port", "COM0", "--mode", "speed" }, "--mode is temperature or distance, not 'speed'" },
        { { "--port", "COM0", "--count", "0" }, "--count needs a whole number of at least 1" },
        { { "--port", "COM0", "--count", "-3" }, "--count needs a whole number of at least 1" },
        { { "--port", "COM0", "--timestamps", "unix" }, "--timestamps is time or iso" },
        { { "--port", "COM0", "--reconnect=yes" }, "option --reconnect takes no value" },
        { { "--port", "COM0", "--frobnicate" }, "unknown option --frobnicate" },
        { { "--port", "COM0", "extra" }, "unexpected argument 'extra'" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const ProgramRun r = runLogger(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("tavrelon-logger: ") + QLatin1String(c.message)))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String("\nUsage: tavrelon-logger --port NAME")));
    }
}

TEST(CommandLine, PortOrOutputThatCannotBeOpenedGivesStatus1)
{
    ProgramRun r = runLogger({ "--port", "tavrelon-no-such-port", "--period", "0.1" });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("tavrelon-logger: Cannot open device tavrelon-no-such-port\n"));

    r = runLogger({ "--port", "COM0", "--output", "/nonexistent-dir/log.csv" });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QLatin1String("tavrelon-logger: Cannot open /nonexistent-dir/log.csv: ")))
        << r.err.toStdString();
}

TEST(CommandLine, HelpAndVersion)
{
    ProgramRun r = runLogger({ "--help" });
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_FALSE(r.out.isEmpty());
    EXPECT_TRUE(r.out.front().startsWith(QLatin1String("Usage: tavrelon-logger")));
    EXPECT_TRUE(r.out.join(QLatin1Char('\n')).contains(QLatin1String("--reconnect")));

    r = runLogger({ "--version" });
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringList { QStringLiteral("tavrelon-logger " TAV_VERSION) });
}

} // namespace
