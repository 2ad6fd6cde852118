#pragma once
// CRC-16 as Modbus RTU puts it at the end of every frame (CRC-16/MODBUS:
// polynomial 0x8005 reflected, initial value 0xFFFF, no final XOR).
#include "bytes.h"

#include <array>
#include <cstdint>

namespace tav {

// The register after running `data` through the CRC. Never fails; keeps no state.
std::uint16_t crc16Register(ByteView data) noexcept;

// The CRC as the two bytes in wire order: the low byte travels first, which is
// why a frame ends "84 0A" for the register value 0x0A84.
std::array<std::uint8_t, 2> CalcCRC16(ByteView data) noexcept;

} // namespace tav
