#pragma once
// One tick of the poll timer: collect the reply to the previous request,
// validate it, decode, scale, show, plot, log, and send the next request.
#include "bytes.h"
#include "modulestate.h"
#include "sensorport.h"

#include <array>
#include <cstdint>
#include <functional>

namespace tav {

// Read holding registers: slave 1, function 3, register 0, one register,
// CRC 0x0A84 low byte first. Sent unchanged with every request.
inline constexpr std::array<std::uint8_t, 8> ReadRequest{0x01, 0x03, 0x00, 0x00,
                                                         0x00, 0x01, 0x84, 0x0A};

// The shortest block worth decoding: address, function, count, two data bytes, CRC.
inline constexpr std::size_t kMinReplyLength = 7;
// A block this long carries a second register in bytes 6-7.
inline constexpr std::size_t kTwoRegisterLength = 9;

enum class TickOutcome {
    Simulated,   // SimulationMode: the simulated reading ran instead
    PortClosed,  // nothing read, sent, shown or paused
    ShortBlock,  // fewer than 7 bytes: paused, request sent
    CrcMismatch, // paused, nothing sent
    Reading,     // accepted: shown, plotted, logged, request sent
};

struct Readings {
    float reading1 = 0;
    float reading2 = 0;
};

// Decodes raw values from bytes 4-5 and 6-7 of an accepted block of at least
// seven bytes, applies the sign rule (above 60000: minus 65535) and, for
// temperature (MeasureMode 2), divides by 10 in single precision.
Readings decodeReadings(ByteView block, std::int32_t measureMode) noexcept;

// True when the block has at least seven bytes and ends with the CRC of the rest.
bool replyAccepted(ByteView block) noexcept;

struct TickHooks {
    // The blocking 25 ms pause of the paths that yield no reading.
    std::function<void()> pause;
    // The simulated reading, run instead of the cycle while SimulationMode is set.
    std::function<void()> simulatedReading;
};

// Runs one tick. Exceptions of the port layer end the tick where they are
// raised: what was done stays done and no request is sent.
TickOutcome pollTick(ModuleState& state, SensorPort& port, ReadingSink& sink, const TickHooks& hooks);

} // namespace tav
