#include "simulation.h"

namespace tav {

int SimulationSource::drawDigit() noexcept
{
    // PCG-style step: a 64-bit LCG whose high bits are mixed into the output.
    m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
    const std::uint64_t x = m_state ^ (m_state >> 29);
    return static_cast<int>((x >> 32) % 10u);
}

float simulatedValue(int k) noexcept
{
    return static_cast<float>(static_cast<long double>(k) + 20.1L);
}

void simulatedReading(ModuleState& state, SimulationSource& source, ReadingSink& sink)
{
    const float value = simulatedValue(source.drawDigit());
    sink.showValue(1, static_cast<double>(value));
    sink.appendPoint(0, static_cast<double>(state.SampleCount), static_cast<double>(value));
    ++state.SampleCount; // wraps from 65535 to 0
    // The line logs the value just shown and plotted: one draw per reading.
    sink.appendLogLine(value);
}

} // namespace tav
