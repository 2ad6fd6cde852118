// A sensor that misbehaves on purpose (tests/peers/misbehaving_sensor.py) on
// one end of a pseudo-terminal pair, the window polling the other end through
// the serial component. Each fault must cost readings exactly as the poll
// cycle says and never produce a reading the sensor did not send.
#include "logview.h"
#include "peers.h"
#include "polledwindow.h"
#include "serialport.h"
#include "sevensegmentdisplay.h"
#include "tform1.h"
#include "trendplot.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cctype>
#include <chrono>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

class Sensor : public tavtest::PeerProcess {
public:
    Sensor(const QString& device, const QString& script, const QStringList& extra = {})
        : PeerProcess(QStringLiteral("misbehaving_sensor.py"),
                      QStringList{QStringLiteral("--port"), device, QStringLiteral("--script"), script} + extra)
    {
    }

    // Requests answered so far (one "answer" line each, whatever the answer).
    int answers()
    {
        int n = 0;
        for (const QString& l : lines())
            n += l.startsWith(QLatin1String("answer ")) ? 1 : 0;
        return n;
    }

    // Raw register values of every frame with a valid CRC that went out
    // whole: first register, and second register where there was one.
    void served(std::vector<int>& first, std::set<int>& second)
    {
        static const QRegularExpression re(QStringLiteral("^served (\\d+)(?: (\\d+))?"));
        for (const QString& l : lines()) {
            const auto m = re.match(l);
            if (!m.hasMatch())
                continue;
            first.push_back(m.captured(1).toInt());
            if (m.hasCaptured(2))
                second.insert(m.captured(2).toInt());
        }
    }
};

// A temperature reading back to the raw register value it was made from.
int rawOf(double reading) { return static_cast<int>(std::lround(reading * 10.0)); }

std::vector<int> loggedRaw(const tav::TForm1& form)
{
    static const QRegularExpression shape(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d,(-?\\d+\\.\\d)$"));
    std::vector<int> out;
    for (const QString& line : form.Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const auto m = shape.match(line);
        EXPECT_TRUE(m.hasMatch()) << line.toStdString();
        out.push_back(rawOf(m.captured(1).toDouble()));
    }
    return out;
}

using Faults = tavtest::PolledWindow;

// ---------------------------------------------------------------------------
// One fault at a time, each tick classified by what it did:
//   R  a reading: no pause, the request sent
//   S  nothing usable (fewer than 7 bytes): paused, the request sent
//   C  a CRC mismatch: paused, nothing sent
// The sensor answers good, <fault>, then good for ever; values count up from
// 100 with every reply that carries one.

struct FaultCase {
    const char* step;
    const char* ticks;         // from the first tick after opening
    std::vector<int> logged;   // raw values, in order
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.step; }

class EachFault : public Faults, public ::testing::WithParamInterface<FaultCase> {};

// Time for bytes the sensor has written to cross the pair, on a busy machine.
constexpr auto kCrossing = 60ms;

// One tick, then until the sensor has answered a request it sent (or a while
// when none came), then the crossing time.
char tick(tav::TForm1& form, Sensor& sensor, int& pauses)
{
    const std::uint16_t count = tav::Unit1.SampleCount;
    const int pausesBefore = pauses;
    const int answersBefore = sensor.answers();
    form.Timer1Timer();
    const bool reading = tav::Unit1.SampleCount != count;
    const bool paused = pauses != pausesBefore;
    const bool sent = tavtest::waitFor([&] { return sensor.answers() > answersBefore; }, 300ms);
    tavtest::waitFor([] { return false; }, kCrossing);
    if (reading && !paused && sent)
        return 'R';
    if (!reading && paused && sent)
        return 'S';
    if (!reading && paused && !sent)
        return 'C';
    return '?';
}

TEST_P(EachFault, CostsReadingsAsThePollCycleSays)
{
    const FaultCase& c = GetParam();
    Sensor sensor(pty.b(), QStringLiteral("good,") + QLatin1String(c.step));
    ASSERT_TRUE(sensor.ready());
    tav::TForm1 form;
    int pauses = 0;
    form.setPause([&pauses] {
        ++pauses;
        std::this_thread::sleep_for(25ms);
    });
    openPort(form);

    std::string ticks;
    while (ticks.size() < std::string(c.ticks).size())
        ticks += tick(form, sensor, pauses);
    EXPECT_EQ(ticks, c.ticks) << "sensor said:\n" << sensor.lines().join(QLatin1Char('\n')).toStdString();

    // The faulty answer reaches the third tick; readings are back within three
    // ticks of it.
    const std::size_t back = ticks.find('R', 2);
    ASSERT_NE(back, std::string::npos);
    EXPECT_LE(back - 2, 3u);

    EXPECT_EQ(loggedRaw(form), c.logged);
    // Ticks without a reading leave the display on the last one.
    EXPECT_EQ(rawOf(form.iSevenSegmentAnalog1->value()), c.logged.back());
    const tav::TrendPlot& plot = *form.iPlot1;
    ASSERT_EQ(plot.pointCount(0), c.logged.size());
    for (std::size_t i = 0; i < c.logged.size(); ++i) {
        EXPECT_EQ(plot.pointX(0, i), static_cast<double>(i));
        EXPECT_EQ(rawOf(plot.pointY(0, i)), c.logged[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sensor, EachFault,
    ::testing::Values(
        // No answer: the next tick finds nothing and asks again.
        FaultCase{"silent", "SRSR", {100, 101}},
        // Cut by a tick: the head fails the length test, the tail with the
        // next reply fails the CRC, the tick after asks again.
        FaultCase{"split", "SRSCSR", {100, 103}},
        FaultCase{"split:6", "SRSCSR", {100, 103}},
        FaultCase{"damaged", "SRCSR", {100, 102}},
        // 01 83 02 C0 F1: five bytes, dropped by the length test.
        FaultCase{"exception", "SRSR", {100, 101}},
        // CRC valid: decoded like any other block.
        FaultCase{"foreign-address", "SRRR", {100, 101, 102}},
        FaultCase{"foreign-function", "SRRR", {100, 101, 102}},
        FaultCase{"foreign-count", "SRRR", {100, 101, 102}},
        FaultCase{"noise", "SRCSR", {100, 101}},
        FaultCase{"noise:3", "SRSR", {100, 101}},
        // Answered after the next tick has read: it arrives with the answer
        // to the next request and both are dropped.
        FaultCase{"late", "SRSCSR", {100, 103}},
        // Two replies in one block: the CRC of the first twelve bytes does
        // not match the last two.
        FaultCase{"double", "SRCSR", {100, 103}}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
        std::string name;
        for (const char* p = info.param.step; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

// ---------------------------------------------------------------------------
// A long run of mixed faults at a short period, with late pieces timed rather
// than held: whatever the ticks catch, every reading shown, plotted and logged
// is one the sensor sent, in the order it sent them, each at most once.

TEST_F(Faults, MixedFaultsNeverYieldAReadingTheSensorDidNotSend)
{
    const char* steps[] = {"good", "good", "good", "good", "good", "two", "silent", "split", "damaged",
                           "exception", "foreign-address", "foreign-function", "noise", "late", "double"};
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(steps) - 1);
    std::uniform_int_distribution<int> noiseLength(1, 24);
    QStringList script;
    for (int i = 0; i < 200; ++i) {
        QString s = QLatin1String(steps[pick(rng)]);
        if (s == QLatin1String("noise"))
            s += QLatin1Char(':') + QString::number(noiseLength(rng));
        script << s;
    }
    constexpr auto kPeriod = 35ms;
    Sensor sensor(pty.b(), script.join(QLatin1Char(',')),
                  {QStringLiteral("--delay-ms"), QStringLiteral("45"), QStringLiteral("--seed"), QStringLiteral("7")});
    ASSERT_TRUE(sensor.ready());
    tav::TForm1 form;
    openPort(form);

    constexpr int kTicks = 160;
    for (int i = 0; i < kTicks; ++i) {
        form.Timer1Timer();
        tavtest::waitFor([] { return false; }, kPeriod);
    }

    std::vector<int> served;
    std::set<int> servedSecond;
    sensor.served(served, servedSecond);
    const std::set<int> sent(served.begin(), served.end());
    const std::vector<int> logged = loggedRaw(form);

    // Not vacuous: about half the steps are good replies.
    EXPECT_GE(logged.size(), static_cast<std::size_t>(kTicks / 5)) << logged.size() << " readings";
    for (std::size_t i = 0; i < logged.size(); ++i) {
        EXPECT_TRUE(sent.count(logged[i])) << "logged " << logged[i] << " never sent";
        if (i > 0) {
            EXPECT_LT(logged[i - 1], logged[i]) << "out of order or twice";
        }
    }
    RecordProperty("readings", static_cast<int>(logged.size()));
    RecordProperty("served", static_cast<int>(served.size()));
    EXPECT_EQ(tav::Unit1.SampleCount, logged.size());

    const tav::TrendPlot& plot = *form.iPlot1;
    ASSERT_EQ(plot.pointCount(0), logged.size());
    for (std::size_t i = 0; i < logged.size(); ++i)
        EXPECT_EQ(rawOf(plot.pointY(0, i)), logged[i]);
    for (std::size_t i = 0; i < plot.pointCount(1); ++i)
        EXPECT_TRUE(servedSecond.count(rawOf(plot.pointY(1, i)))) << plot.pointY(1, i);
}

} // namespace
