#pragma once
// Replaying a log: every line that holds a comma becomes a point of chart
// channel 0, at X = SampleCount counted up from 0.
#include "modulestate.h"
#include "sensorport.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

// A value text longer than this is cut, with "…" after it, in the conversion
// error's message: a corrupt file may hold megabytes after a comma, and the
// report must stay readable.
inline constexpr std::size_t kMaxShownValueText = 200;

// The text after the first "," of `line`, to the end of the line; nullopt when
// the line holds no comma.
std::optional<std::string_view> valueText(std::string_view line) noexcept;

// Calls `visit(line)` for each line of `text`, first to last. Lines end at CR
// LF, a lone CR or a lone LF; the place after a closing line break is no line.
template <class Visit> void forEachLine(std::string_view text, Visit&& visit)
{
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t end = start;
        while (end < n && text[end] != '\n' && text[end] != '\r')
            ++end;
        visit(text.substr(start, end - start));
        if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

struct LineStats {
    std::size_t lines = 0;
    std::size_t longest = 0; // bytes, without the line break
};

// The lines of `text` as forEachLine sees them: how many, and the longest.
LineStats lineStats(std::string_view text) noexcept;

// The number a value text stands for: textToFloat with the user's decimal
// separator, rounded to single precision. Throws Error with "'<text>' is not a
// valid floating point value" (the text cut as above, a NUL shown as U+FFFD)
// or "Floating point overflow".
float replayValue(std::string_view text, std::string_view decimalSeparator);

// The replay: SampleCount := 0, then for each line of `log` that holds a comma
// the point (SampleCount, value) goes to channel 0 of `sink` and SampleCount
// goes up by one, wrapping from 65535 to 0. Lines without a comma are skipped.
// A value that does not convert ends the replay with its Error; the points
// appended before it stay, and SampleCount counts them.
void replayLog(std::string_view log, std::string_view decimalSeparator, ModuleState& state, ReadingSink& sink);

} // namespace tav
