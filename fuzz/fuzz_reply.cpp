// libFuzzer target: one reply block through the acceptance test, the decoder
// and a whole poll tick.
//
// Input: one flag byte (bit 0 SimulationMode, bit 1 port open, bit 2 start
// SampleCount at 65535), one byte read as a signed MeasureMode, then the block
// exactly as the port would hand it over.
//
// Besides memory and undefined-behaviour faults it checks the tick against an
// independent bitwise CRC and an independent decoding: the outcome, the calls
// on the sink, the request sent or not, and SampleCount.
#include "check.h"
#include "polltick.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// CRC-16/MODBUS one bit at a time, independent of the table-driven routine.
std::uint16_t bitwiseCrc(const std::uint8_t* p, std::size_t n)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

float expectedReading(unsigned raw, std::int32_t mode)
{
    // Exact in double: raw - 65535 and the quotient are then rounded once.
    double v = raw > 60000u ? static_cast<double>(raw) - 65535.0 : static_cast<double>(raw);
    if (mode == 2)
        return static_cast<float>(static_cast<double>(static_cast<float>(v)) / 10.0);
    return static_cast<float>(v);
}

class ScriptedPort : public tav::SensorPort {
public:
    ScriptedPort(const std::uint8_t* p, std::size_t n, bool open) : m_block(p, p + n), m_open(open) {}
    bool isOpen() const override { return m_open; }
    tav::Bytes readAll() override
    {
        ++reads;
        return std::move(m_block);
    }
    bool send(tav::ByteView frame) override
    {
        ++sends;
        TAV_CHECK(frame.size() == tav::ReadRequest.size());
        TAV_CHECK(std::memcmp(frame.data(), tav::ReadRequest.data(), frame.size()) == 0);
        return true;
    }
    int reads = 0, sends = 0;

private:
    tav::Bytes m_block;
    bool m_open;
};

class NullSink : public tav::ReadingSink {
public:
    void showValue(int display, double value) override
    {
        TAV_CHECK(display == 1 || display == 2);
        (display == 1 ? shown1 : shown2) = value;
        ++shows;
    }
    void setSecondDisplayVisible(bool visible) override
    {
        ++visibility;
        lastVisible = visible;
    }
    void appendPoint(int channel, double x, double y) override
    {
        TAV_CHECK(channel == 0 || channel == 1);
        TAV_CHECK(std::isfinite(x) && std::isfinite(y));
        ++points[channel];
        lastX = x;
    }
    void appendLogLine(float reading) override
    {
        ++logs;
        logged = reading;
    }
    int shows = 0, visibility = 0, points[2] = {0, 0}, logs = 0;
    bool lastVisible = false;
    double shown1 = 0, shown2 = 0, lastX = -1;
    float logged = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t flags = data[0];
    const std::int32_t mode = static_cast<std::int8_t>(data[1]);
    const std::uint8_t* block = data + 2;
    const std::size_t n = size - 2;

    const bool accepted = tav::replyAccepted(tav::ByteView(block, n));
    const bool expectAccepted = n >= 7 && bitwiseCrc(block, n - 2) == (block[n - 2] | (block[n - 1] << 8));
    TAV_CHECK(accepted == expectAccepted);

    float r1 = 0, r2 = 0;
    if (n >= 7) {
        const tav::Readings r = tav::decodeReadings(tav::ByteView(block, n), mode);
        r1 = expectedReading(256u * block[3] + block[4], mode);
        r2 = expectedReading(256u * block[5] + block[6], mode);
        TAV_CHECK(r.reading1 == r1 && r.reading2 == r2);
        TAV_CHECK(std::isfinite(r.reading1) && std::isfinite(r.reading2));
    }

    tav::ModuleState state;
    state.MeasureMode = mode;
    state.SimulationMode = flags & 1;
    state.SampleCount = (flags & 4) ? 65535 : 7;
    const std::uint16_t before = state.SampleCount;
    ScriptedPort port(block, n, flags & 2);
    NullSink sink;
    int pauses = 0, simulated = 0;
    const tav::TickHooks hooks{[&] { ++pauses; }, [&] { ++simulated; }};

    const tav::TickOutcome outcome = tav::pollTick(state, port, sink, hooks);

    const bool readingTick = outcome == tav::TickOutcome::Reading;
    if (state.SimulationMode) {
        TAV_CHECK(outcome == tav::TickOutcome::Simulated && simulated == 1 && port.reads == 0 && port.sends == 0);
    } else if (!port.isOpen()) {
        TAV_CHECK(outcome == tav::TickOutcome::PortClosed && port.reads == 0 && port.sends == 0 && pauses == 0);
    } else if (n < 7) {
        TAV_CHECK(outcome == tav::TickOutcome::ShortBlock && pauses == 1 && port.sends == 1);
    } else if (!accepted) {
        TAV_CHECK(outcome == tav::TickOutcome::CrcMismatch && pauses == 1 && port.sends == 0);
    } else {
        TAV_CHECK(readingTick && pauses == 0 && port.sends == 1);
        const bool two = n >= 9 && mode == 2;
        TAV_CHECK(sink.shows == 2 && sink.shown1 == static_cast<double>(r1) && sink.shown2 == static_cast<double>(r2));
        TAV_CHECK(sink.visibility == (two ? 1 : 0));
        if (two)
            TAV_CHECK(sink.lastVisible == (r2 > -200.0f));
        TAV_CHECK(sink.points[0] == 1 && sink.points[1] == (two ? 1 : 0));
        TAV_CHECK(sink.lastX == static_cast<double>(before));
        TAV_CHECK(sink.logs == 1 && sink.logged == r1);
    }
    if (!readingTick)
        TAV_CHECK(sink.shows == 0 && sink.points[0] == 0 && sink.points[1] == 0 && sink.logs == 0);
    TAV_CHECK(state.SampleCount == static_cast<std::uint16_t>(before + (readingTick ? 1 : 0)));
    TAV_CHECK(simulated == (state.SimulationMode ? 1 : 0));
    return 0;
}
