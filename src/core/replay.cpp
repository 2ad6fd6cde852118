#include "replay.h"

#include "error.h"
#include "numbertext.h"

namespace tav {
namespace {

// The value text as the error report shows it: at most kMaxShownValueText
// bytes, cut before a UTF-8 continuation byte, and a NUL (which would end the
// message early) as U+FFFD.
std::string shownText(std::string_view text)
{
    std::string shown;
    std::size_t end = text.size();
    if (end > kMaxShownValueText) {
        end = kMaxShownValueText;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
    }
    for (char c : text.substr(0, end)) {
        if (c == '\0')
            shown += "\xEF\xBF\xBD";
        else
            shown += c;
    }
    if (end < text.size())
        shown += "\xE2\x80\xA6";
    return shown;
}

} // namespace

std::optional<std::string_view> valueText(std::string_view line) noexcept
{
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    return line.substr(comma + 1);
}

LineStats lineStats(std::string_view text) noexcept
{
    LineStats stats;
    forEachLine(text, [&](std::string_view line) {
        ++stats.lines;
        if (line.size() > stats.longest)
            stats.longest = line.size();
    });
    return stats;
}

float replayValue(std::string_view text, std::string_view decimalSeparator)
{
    long double value = 0;
    try {
        value = textToFloat(text, decimalSeparator);
    } catch (const Error&) {
        if (text.size() > kMaxShownValueText || text.find('\0') != std::string_view::npos)
            throw Error(invalidFloatMessage(shownText(text)));
        throw;
    }
    return toSingle(value);
}

void replayLog(std::string_view log, std::string_view decimalSeparator, ModuleState& state, ReadingSink& sink)
{
    state.SampleCount = 0;
    forEachLine(log, [&](std::string_view line) {
        const std::optional<std::string_view> text = valueText(line);
        if (!text)
            return;
        const float y = replayValue(*text, decimalSeparator);
        sink.appendPoint(0, state.SampleCount, y);
        ++state.SampleCount;
    });
}

} // namespace tav
