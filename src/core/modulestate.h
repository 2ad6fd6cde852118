#pragma once
// The state the handlers share between events, zero when the program loads.
#include <cstdint>

namespace tav {

struct ModuleState {
    // 1 = distance in millimetres (raw register value unscaled),
    // 2 = temperature in degrees Celsius (raw value in tenths).
    std::int32_t MeasureMode = 0;
    // Set by the open button for the port name "COM0"; never set back.
    bool SimulationMode = false;
    // X coordinate of the next chart point; wraps from 65535 to 0.
    std::uint16_t SampleCount = 0;
};

} // namespace tav
