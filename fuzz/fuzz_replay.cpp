// libFuzzer target: the replay of a loaded log file.
//
// PLACEHOLDER: until the replay parser is part of this tree, this target runs
// a stand-in for it over the core's number conversion: the file text is split
// into lines at CR LF, lone CR and lone LF; every line with a comma yields the
// text after its first comma, at most 10 characters, converted by
// tav::textToFloat and rounded by tav::toSingle; the first failure stops the
// replay. Point it at the real parser once that is merged.
//
// Input: one byte choosing the decimal separator, then the file's text.
//
// Invariants: the only exception is tav::Error; every value replayed is
// finite; X runs 0, 1, 2, ... wrapping at 65536; a line without a comma uses
// up no X; the replay stops only at a value that does not convert.
#include "check.h"
#include "error.h"
#include "numbertext.h"
#include "separator.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    // The place after a closing line break is not a line.
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string_view sep = tavfuzz::separatorFor(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::uint16_t sampleCount = 0;
    std::size_t points = 0, withComma = 0;
    bool stopped = false;
    for (const std::string_view line : splitLines(text)) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos)
            continue;
        ++withComma;
        const std::string_view value = line.substr(comma + 1, 10);
        float y;
        try {
            y = tav::toSingle(tav::textToFloat(value, sep));
        } catch (const tav::Error&) {
            stopped = true;
            break;
        }
        TAV_CHECK(std::isfinite(y));
        TAV_CHECK(sampleCount == static_cast<std::uint16_t>(points));
        ++points;
        ++sampleCount;
    }
    TAV_CHECK(stopped ? points + 1 == withComma : points == withComma);
    return 0;
}
