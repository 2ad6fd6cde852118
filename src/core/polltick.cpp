#include "polltick.h"

#include "crc16.h"

#include <algorithm>

namespace tav {
namespace {

float signRuleAndScale(unsigned raw, std::int32_t measureMode) noexcept
{
    float reading = static_cast<float>(raw);
    // The sensor sends negative values offset by 65535 (not 65536).
    if (reading > 60000.0f)
        reading = static_cast<float>(static_cast<long double>(reading) - 65535.0L);
    if (measureMode == 2)
        reading = static_cast<float>(static_cast<long double>(reading) / 10.0L);
    return reading;
}

} // namespace

bool replyAccepted(ByteView block) noexcept
{
    if (block.size() < kMinReplyLength)
        return false;
    const auto crc = CalcCRC16(block.first(block.size() - 2));
    return std::equal(crc.begin(), crc.end(), block.end() - 2);
}

Readings decodeReadings(ByteView block, std::int32_t measureMode) noexcept
{
    const unsigned raw1 = 256u * block[3] + block[4];
    const unsigned raw2 = 256u * block[5] + block[6];
    return {signRuleAndScale(raw1, measureMode), signRuleAndScale(raw2, measureMode)};
}

TickOutcome pollTick(ModuleState& state, SensorPort& port, ReadingSink& sink, const TickHooks& hooks)
{
    if (state.SimulationMode) {
        if (hooks.simulatedReading)
            hooks.simulatedReading();
        return TickOutcome::Simulated;
    }
    if (!port.isOpen())
        return TickOutcome::PortClosed;

    const Bytes block = port.readAll();
    if (block.size() < kMinReplyLength) {
        hooks.pause();
        port.send(ReadRequest);
        return TickOutcome::ShortBlock;
    }
    if (!replyAccepted(block)) {
        // No request now: the next tick finds nothing, pauses and sends.
        hooks.pause();
        return TickOutcome::CrcMismatch;
    }

    const Readings r = decodeReadings(block, state.MeasureMode);
    const bool twoRegisters = block.size() >= kTwoRegisterLength && state.MeasureMode == 2;
    if (twoRegisters)
        sink.setSecondDisplayVisible(r.reading2 > -200.0f);
    sink.showValue(1, static_cast<double>(r.reading1));
    sink.showValue(2, static_cast<double>(r.reading2));
    const double x = static_cast<double>(state.SampleCount);
    sink.appendPoint(0, x, static_cast<double>(r.reading1));
    if (twoRegisters)
        sink.appendPoint(1, x, static_cast<double>(r.reading2));
    ++state.SampleCount; // wraps from 65535 to 0
    sink.appendLogLine(r.reading1);
    port.send(ReadRequest);
    return TickOutcome::Reading;
}

} // namespace tav
