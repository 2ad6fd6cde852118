// One poll tick against a scripted port and a recording sink: every outcome
// and edge case as a row, checked as the exact sequence of calls.
#include "polltick.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

tav::Bytes hex(const std::string& s)
{
    tav::Bytes out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
    return out;
}

std::string num(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

// Every call the tick makes, in order, as text.
using Calls = std::vector<std::string>;

class Recorder : public tav::SensorPort, public tav::ReadingSink {
public:
    bool open = true;
    std::deque<tav::Bytes> blocks;
    Calls calls;
    bool throwOnRead = false, throwOnSend = false;

    bool isOpen() const override { return open; }
    tav::Bytes readAll() override
    {
        calls.push_back("read");
        if (throwOnRead)
            throw std::runtime_error("Unable to read from port. (error 5: Input/output error)");
        if (blocks.empty())
            return {};
        tav::Bytes b = blocks.front();
        blocks.pop_front();
        return b;
    }
    bool send(tav::ByteView frame) override
    {
        std::string h;
        char buf[4];
        for (auto b : frame) {
            std::snprintf(buf, sizeof buf, "%02x", b);
            h += buf;
        }
        calls.push_back("send " + h);
        if (throwOnSend)
            throw std::runtime_error("Unable to write to port. (error 5: Input/output error)");
        return true;
    }
    void showValue(int display, double value) override { calls.push_back("show" + std::to_string(display) + " " + num(value)); }
    void setSecondDisplayVisible(bool visible) override { calls.push_back(visible ? "show2 visible" : "show2 hidden"); }
    void appendPoint(int channel, double x, double y) override
    {
        calls.push_back("point" + std::to_string(channel) + " " + num(x) + " " + num(y));
    }
    void appendLogLine(float reading) override { calls.push_back("log " + num(static_cast<double>(reading))); }

    tav::TickHooks hooks()
    {
        return {[this] { calls.push_back("pause"); }, [this] { calls.push_back("simulate"); }};
    }
};

const std::string kRequest = "send 010300000001840a";

std::string show(int d, float v) { return "show" + std::to_string(d) + " " + num(static_cast<double>(v)); }
std::string point(int c, double x, float y) { return "point" + std::to_string(c) + " " + num(x) + " " + num(static_cast<double>(y)); }
std::string logged(float v) { return "log " + num(static_cast<double>(v)); }

struct TickRow {
    std::string name;
    int mode;
    bool simulation;
    bool open;
    std::string block; // hex of what the port holds
    std::uint16_t sampleBefore;
    tav::TickOutcome outcome;
    Calls calls;
    std::uint16_t sampleAfter;
};

class Ticks : public ::testing::TestWithParam<TickRow> {};

TEST_P(Ticks, CallsInOrder)
{
    const TickRow& row = GetParam();
    Recorder rec;
    rec.open = row.open;
    rec.blocks.push_back(hex(row.block));
    tav::ModuleState st;
    st.MeasureMode = row.mode;
    st.SimulationMode = row.simulation;
    st.SampleCount = row.sampleBefore;
    EXPECT_EQ(tav::pollTick(st, rec, rec, rec.hooks()), row.outcome);
    EXPECT_EQ(rec.calls, row.calls);
    EXPECT_EQ(st.SampleCount, row.sampleAfter);
}

using O = tav::TickOutcome;

INSTANTIATE_TEST_SUITE_P(
    Outcomes, Ticks,
    ::testing::Values(
        TickRow{"SimulationReadsNothingEvenWhenOpen", 2, true, true, "010302012cb809", 3, O::Simulated, {"simulate"}, 3},
        TickRow{"PortClosed", 2, false, false, "010302012cb809", 3, O::PortClosed, {}, 3},
        TickRow{"SilentSensor", 2, false, true, "", 3, O::ShortBlock, {"read", "pause", kRequest}, 3},
        TickRow{"ExceptionReply_0183", 2, false, true, "018302c0f1", 3, O::ShortBlock, {"read", "pause", kRequest}, 3},
        TickRow{"PartialReply", 2, false, true, "010302012c", 3, O::ShortBlock, {"read", "pause", kRequest}, 3},
        TickRow{"DamagedByte_b808", 2, false, true, "010302012cb808", 3, O::CrcMismatch, {"read", "pause"}, 3},
        TickRow{"TwoRepliesAtOnce", 2, false, true, "010302012cb809010302012cb809", 3, O::CrcMismatch, {"read", "pause"}, 3},
        TickRow{"OneRegister300_Mode1", 1, false, true, "010302012cb809", 7, O::Reading,
                {"read", show(1, 300.0f), show(2, 47113.0f), point(0, 7, 300.0f), logged(300.0f), kRequest}, 8},
        TickRow{"OneRegister300_Mode2", 2, false, true, "010302012cb809", 7, O::Reading,
                {"read", show(1, 30.0f), show(2, 4711.3f), point(0, 7, 30.0f), logged(30.0f), kRequest}, 8},
        TickRow{"TwoRegisters_250_65336_Mode2", 2, false, true, "01030400faff389a20", 0, O::Reading,
                {"read", "show2 visible", show(1, 25.0f), show(2, -19.9f), point(0, 0, 25.0f), point(1, 0, -19.9f),
                 logged(25.0f), kRequest}, 1},
        TickRow{"TwoRegisters_Mode1_NoSecondPoint", 1, false, true, "01030400faff389a20", 0, O::Reading,
                {"read", show(1, 250.0f), show(2, -199.0f), point(0, 0, 250.0f), logged(250.0f), kRequest}, 1},
        TickRow{"Minus200HidesButIsPlotted", 2, false, true, "010304012cf82f381a", 4, O::Reading,
                {"read", "show2 hidden", show(1, 30.0f), show(2, -200.0f), point(0, 4, 30.0f), point(1, 4, -200.0f),
                 logged(30.0f), kRequest}, 5},
        TickRow{"Minus199_9Shows", 2, false, true, "010304012cf83079d2", 4, O::Reading,
                {"read", "show2 visible", show(1, 30.0f), show(2, -199.9f), point(0, 4, 30.0f), point(1, 4, -199.9f),
                 logged(30.0f), kRequest}, 5},
        TickRow{"Raw60000_Mode1", 1, false, true, "010302ea60f70c", 0, O::Reading,
                {"read", show(1, 60000.0f), show(2, -2291.0f), point(0, 0, 60000.0f), logged(60000.0f), kRequest}, 1},
        TickRow{"Raw60000_Mode2", 2, false, true, "010302ea60f70c", 0, O::Reading,
                {"read", show(1, 6000.0f), show(2, -229.1f), point(0, 0, 6000.0f), logged(6000.0f), kRequest}, 1},
        TickRow{"Raw60001_Mode1", 1, false, true, "010302ea6136cc", 0, O::Reading,
                {"read", show(1, -5534.0f), show(2, 14028.0f), point(0, 0, -5534.0f), logged(-5534.0f), kRequest}, 1},
        TickRow{"Raw60001_Mode2", 2, false, true, "010302ea6136cc", 0, O::Reading,
                {"read", show(1, -553.4f), show(2, 1402.8f), point(0, 0, -553.4f), logged(-553.4f), kRequest}, 1},
        TickRow{"Raw65535IsZero", 2, false, true, "010302ffffb9f4", 0, O::Reading,
                {"read", show(1, 0.0f), show(2, 4760.4f), point(0, 0, 0.0f), logged(0.0f), kRequest}, 1},
        TickRow{"CrcWithZeroByte_b800", 1, false, true, "01030200f0b800", 0, O::Reading,
                {"read", show(1, 240.0f), show(2, 47104.0f), point(0, 0, 240.0f), logged(240.0f), kRequest}, 1},
        TickRow{"EchoedRequestDecodes", 1, false, true, "010300000001840a", 0, O::Reading,
                {"read", show(1, 0.0f), show(2, 388.0f), point(0, 0, 0.0f), logged(0.0f), kRequest}, 1},
        TickRow{"SampleCountWraps", 2, false, true, "01030400faff389a20", 65535, O::Reading,
                {"read", "show2 visible", show(1, 25.0f), show(2, -19.9f), point(0, 65535, 25.0f),
                 point(1, 65535, -19.9f), logged(25.0f), kRequest}, 0}),
    [](const ::testing::TestParamInfo<TickRow>& info) { return info.param.name; });

TEST(Tick, DamagedReplyCostsTwoPeriods)
{
    Recorder rec;
    tav::ModuleState st;
    st.MeasureMode = 2;
    rec.blocks = {hex("010302012cb808"), {}, hex("010302012cb809")};
    EXPECT_EQ(tav::pollTick(st, rec, rec, rec.hooks()), O::CrcMismatch);
    EXPECT_EQ(tav::pollTick(st, rec, rec, rec.hooks()), O::ShortBlock);
    EXPECT_EQ(tav::pollTick(st, rec, rec, rec.hooks()), O::Reading);
    EXPECT_EQ(st.SampleCount, 1);
}

TEST(Tick, ReadFailureEndsTheTickBeforeAnythingElse)
{
    Recorder rec;
    rec.throwOnRead = true;
    tav::ModuleState st;
    st.MeasureMode = 2;
    EXPECT_THROW(tav::pollTick(st, rec, rec, rec.hooks()), std::runtime_error);
    EXPECT_EQ(rec.calls, Calls{"read"});
    EXPECT_EQ(st.SampleCount, 0);
}

TEST(Tick, SendFailureKeepsWhatWasDone)
{
    Recorder rec;
    rec.throwOnSend = true;
    rec.blocks = {hex("010302012cb809")};
    tav::ModuleState st;
    st.MeasureMode = 2;
    EXPECT_THROW(tav::pollTick(st, rec, rec, rec.hooks()), std::runtime_error);
    EXPECT_EQ(rec.calls, (Calls{"read", show(1, 30.0f), show(2, 4711.3f), point(0, 0, 30.0f), logged(30.0f), kRequest}));
    EXPECT_EQ(st.SampleCount, 1);
}

TEST(Tick, DecodingUsesSinglePrecision)
{
    const auto r = tav::decodeReadings(hex("010302012cb809"), 2);
    EXPECT_EQ(r.reading1, 30.0f);
    EXPECT_EQ(r.reading2, 4711.3f);
    const auto signs = tav::decodeReadings(hex("010304fffeea61"), 1);
    EXPECT_EQ(signs.reading1, -1.0f);   // 65534 - 65535
    EXPECT_EQ(signs.reading2, -5534.0f); // 60001 - 65535
}

} // namespace
