#pragma once
// The decimal separator a fuzz input runs under, chosen by its first byte: the
// full stop, the comma, or a separator of more than one byte (U+066B, as some
// locales use) to exercise multi-byte matching.
#include <cstdint>
#include <string_view>

namespace tavfuzz {

inline std::string_view separatorFor(std::uint8_t selector)
{
    switch (selector % 3) {
    case 0:
        return ".";
    case 1:
        return ",";
    default:
        return "\xD9\xAB";
    }
}

} // namespace tavfuzz
