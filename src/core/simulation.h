#pragma once
// Simulated readings for the port name "COM0": the same presentation as the
// poll cycle, on generated values.
#include "modulestate.h"
#include "sensorport.h"

#include <cstdint>

namespace tav {

// A deterministic pseudo-random source: the same sequence of draws at every
// start of the program, never reseeded.
class SimulationSource {
public:
    // A whole number from 0 to 9.
    int drawDigit() noexcept;

private:
    std::uint64_t m_state = 0x853C49E6748FEA9BULL; // fixed starting state
};

// k + 20.1, formed in extended precision, rounded to single precision.
float simulatedValue(int k) noexcept;

// One simulated reading: one draw, shown on display 1, appended to channel 0
// at X = SampleCount, SampleCount advanced, and the same value logged.
void simulatedReading(ModuleState& state, SimulationSource& source, ReadingSink& sink);

} // namespace tav
