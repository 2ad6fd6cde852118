#pragma once
// The sensor's side of the protocol: Modbus RTU slave 1 answering "read
// holding registers" with a slowly varying temperature, with faults injected
// on request. Knows nothing of terminals or clocks: bytes and seconds in,
// answers out.
#include "bytes.h"

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tav {

struct SensorSettings {
    int registers = 1; // registers per answer, 1 or 2, whatever was asked
    double dropProbability = 0;
    double corruptProbability = 0;
    std::uint64_t seed = 1;
};

struct SensorAnswer {
    Bytes frame; // empty: dropped
    std::string event; // "answered 251", "answered 251 65336", "dropped", "corrupted 251"
};

struct SensorCounters {
    std::uint64_t requests = 0;
    std::uint64_t answered = 0;
    std::uint64_t dropped = 0;
    std::uint64_t corrupted = 0;
};

class VirtualSensor {
public:
    explicit VirtualSensor(const SensorSettings& settings);

    // Takes received bytes; returns one answer per complete request found.
    // Bytes that start no valid frame are skipped one at a time, so the
    // parser finds the next request after noise or a cut frame.
    std::vector<SensorAnswer> feed(ByteView bytes, double secondsSinceStart);

    // Forgets a partly received frame (the monitor closed the port).
    void reset() { m_buffer.clear(); }

    const SensorCounters& counters() const { return m_counters; }

    // Register 0: temperature in tenths of a degree, 20.0 to 30.0 on a
    // five-minute sine. Register 1: a second temperature, -10.0 to 10.0 on a
    // two-minute sine, negative values sent as 65535 + value as the sensor does.
    static std::array<std::uint16_t, 2> registersAt(double seconds);

private:
    SensorAnswer answer(ByteView request, double seconds);
    double draw();

    SensorSettings m_settings;
    std::mt19937_64 m_random;
    Bytes m_buffer;
    SensorCounters m_counters;
};

} // namespace tav
