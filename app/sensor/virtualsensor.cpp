#include "virtualsensor.h"

#include "crc16.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tav {
namespace {

constexpr std::uint8_t kSlave = 1;
constexpr std::uint8_t kReadHolding = 3;
constexpr std::size_t kRequestLength = 8;

void appendCrc(Bytes& frame)
{
    const auto crc = CalcCRC16(frame);
    frame.insert(frame.end(), crc.begin(), crc.end());
}

Bytes exceptionReply(std::uint8_t function, std::uint8_t code)
{
    Bytes frame { kSlave, static_cast<std::uint8_t>(function | 0x80), code };
    appendCrc(frame);
    return frame;
}

std::string valuesText(const Bytes& frame, int registers)
{
    std::string text;
    for (int r = 0; r < registers; ++r) {
        const unsigned v = 256u * frame[3 + 2 * r] + frame[4 + 2 * r];
        text += ' ';
        text += std::to_string(v);
    }
    return text;
}

} // namespace

VirtualSensor::VirtualSensor(const SensorSettings& settings)
    : m_settings(settings)
    , m_random(settings.seed)
{
}

std::array<std::uint16_t, 2> VirtualSensor::registersAt(double seconds)
{
    const double tau = 2 * std::numbers::pi;
    const long first = std::lround(250.0 + 50.0 * std::sin(tau * seconds / 300.0));
    const long second = std::lround(100.0 * std::sin(tau * seconds / 120.0));
    const long wire = second < 0 ? 65535 + second : second;
    return { static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(wire) };
}

double VirtualSensor::draw()
{
    // 53 random bits as a fraction in [0, 1): the same on every platform,
    // unlike the standard distributions.
    return static_cast<double>(m_random() >> 11) * 0x1.0p-53;
}

std::vector<SensorAnswer> VirtualSensor::feed(ByteView bytes, double secondsSinceStart)
{
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    std::vector<SensorAnswer> answers;
    std::size_t pos = 0;
    while (m_buffer.size() - pos >= kRequestLength) {
        const ByteView frame(m_buffer.data() + pos, kRequestLength);
        const auto crc = CalcCRC16(frame.first(6));
        if (!std::equal(crc.begin(), crc.end(), frame.begin() + 6)) {
            ++pos;
            continue;
        }
        if (frame[0] == kSlave)
            answers.push_back(answer(frame, secondsSinceStart));
        // Frames for other slaves pass by unanswered, as on a shared line.
        pos += kRequestLength;
    }
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(pos));
    return answers;
}

SensorAnswer VirtualSensor::answer(ByteView request, double seconds)
{
    ++m_counters.requests;
    // Both draws for every request, so that one seed gives one fault sequence
    // whatever the probabilities.
    const bool drop = draw() < m_settings.dropProbability;
    const bool corrupt = draw() < m_settings.corruptProbability;
    if (drop) {
        ++m_counters.dropped;
        return { {}, "dropped" };
    }

    Bytes frame;
    std::string values;
    if (request[1] != kReadHolding) {
        frame = exceptionReply(request[1], 0x01); // illegal function
        values = " exception";
    } else if (const unsigned count = 256u * request[4] + request[5]; count == 0 || count > 125) {
        frame = exceptionReply(kReadHolding, 0x03); // illegal data value
        values = " exception";
    } else {
        const auto regs = registersAt(seconds);
        frame = { kSlave, kReadHolding, static_cast<std::uint8_t>(2 * m_settings.registers) };
        for (int r = 0; r < m_settings.registers; ++r) {
            frame.push_back(static_cast<std::uint8_t>(regs[static_cast<std::size_t>(r)] >> 8));
            frame.push_back(static_cast<std::uint8_t>(regs[static_cast<std::size_t>(r)] & 0xFF));
        }
        appendCrc(frame);
        values = valuesText(frame, m_settings.registers);
    }
    if (corrupt) {
        frame.back() ^= 0x01;
        ++m_counters.corrupted;
        return { frame, "corrupted" + values };
    }
    ++m_counters.answered;
    return { frame, "answered" + values };
}

} // namespace tav
