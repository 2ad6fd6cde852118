#include "crc16.h"

namespace tav {
namespace {

// Entry i: i shifted right eight times, XOR-ing 0xA001 (0x8005 bit-reversed)
// whenever a 1 falls out. Built by the compiler, never at run time.
constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t value = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? static_cast<std::uint16_t>((value >> 1) ^ 0xA001u)
                                 : static_cast<std::uint16_t>(value >> 1);
        table[i] = value;
    }
    return table;
}

constexpr auto kTable = makeTable();
static_assert(kTable[0] == 0x0000 && kTable[1] == 0xC0C1 && kTable[2] == 0xC181
              && kTable[3] == 0x0140 && kTable[255] == 0x4040);

} // namespace

std::uint16_t crc16Register(ByteView data) noexcept
{
    std::uint16_t reg = 0xFFFF;
    for (std::uint8_t b : data)
        reg = static_cast<std::uint16_t>(kTable[(b ^ reg) & 0xFFu] ^ (reg >> 8));
    return reg;
}

std::array<std::uint8_t, 2> CalcCRC16(ByteView data) noexcept
{
    const std::uint16_t reg = crc16Register(data);
    return {static_cast<std::uint8_t>(reg & 0xFFu), static_cast<std::uint8_t>(reg >> 8)};
}

} // namespace tav
