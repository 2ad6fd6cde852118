#pragma once
// The decimal separator a fuzz input runs under, chosen by its first byte: the
// full stop, the comma, or a separator of more than one byte (U+066B, as some
// locales use) to exercise multi-byte matching.
#include <cstddef>
#include <cstdint>
#include <optional>
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

// A fuzz input as the text targets read it: the first byte picks the decimal
// separator, the rest is the text. Nothing for an empty input.
struct TextInput {
    std::string_view separator;
    std::string_view text;
};

inline std::optional<TextInput> textInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return std::nullopt;
    return TextInput{separatorFor(data[0]), std::string_view(reinterpret_cast<const char*>(data + 1), size - 1)};
}

} // namespace tavfuzz
