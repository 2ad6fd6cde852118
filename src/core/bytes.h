#pragma once
// Counted byte strings: frames and received blocks may hold bytes of value 0,
// so they are never handled as zero-terminated text.
#include <cstdint>
#include <span>
#include <vector>

namespace tav {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

} // namespace tav
