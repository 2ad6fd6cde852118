#include "replay.h"

#include "error.h"
#include "numbertext.h"

#include <cstdint>

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

// The shape every value the program writes has, "[-]digits[<separator>
// digits]" with at most 18 digits, read without the general conversion: the
// digits as an integer, divided once by a power of ten. Both are exact in
// extended precision, so the one correctly rounded division gives the value
// the general conversion gives, at a fraction of its cost. Other text: nullopt.
std::optional<long double> commonValue(std::string_view text, std::string_view decimalSeparator) noexcept
{
    static constexpr long double kPowersOfTen[] = { 1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L, 1e9L, 1e10L,
        1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L };
    const std::size_t n = text.size();
    std::size_t i = 0;
    const bool negative = n > 0 && text[0] == '-';
    if (negative)
        ++i;
    std::uint64_t mantissa = 0;
    std::size_t digits = 0, fraction = 0;
    auto readDigits = [&] {
        std::size_t count = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9' && digits < 19) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
            ++i;
            ++digits;
            ++count;
        }
        return count;
    };
    readDigits();
    if (digits > 0 && !decimalSeparator.empty() && text.substr(i, decimalSeparator.size()) == decimalSeparator) {
        i += decimalSeparator.size();
        fraction = readDigits();
    }
    if (i != n || digits == 0 || digits > 18)
        return std::nullopt;
    const long double magnitude = static_cast<long double>(mantissa) / kPowersOfTen[fraction];
    return negative ? -magnitude : magnitude;
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
    if (const std::optional<long double> common = commonValue(text, decimalSeparator))
        return toSingle(*common);
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
