#include "numbertext.h"

#include "error.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tav {
namespace {

bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

} // namespace

std::string invalidFloatMessage(std::string_view text)
{
    std::string msg = "'";
    msg += text;
    msg += "' is not a valid floating point value";
    return msg;
}

long double textToFloat(std::string_view text, std::string_view decimalSeparator)
{
    // Normalise to "[-]digits[.digits][e[-]digits]" and let from_chars, which
    // ignores the C locale, do the correctly rounded conversion.
    std::string norm;
    norm.reserve(text.size() + 2);
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto fail = [&]() -> long double { throw Error(invalidFloatMessage(text)); };

    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::size_t intDigits = 0, fracDigits = 0;
    // Zeros before the first significant digit, in the integer part and then
    // in the fraction: with the exponent they tell overflow from underflow.
    std::size_t leadingZeros = 0, fracLeadingZeros = 0;
    bool seenNonZero = false;
    while (i < n && isDigit(text[i])) {
        if (text[i] != '0')
            seenNonZero = true;
        else if (!seenNonZero)
            ++leadingZeros;
        norm += text[i++];
        ++intDigits;
    }
    bool separator = false;
    if (!decimalSeparator.empty() && text.substr(i, decimalSeparator.size()) == decimalSeparator) {
        separator = true;
        i += decimalSeparator.size();
        norm += '.';
        while (i < n && isDigit(text[i])) {
            if (text[i] != '0')
                seenNonZero = true;
            else if (!seenNonZero)
                ++fracLeadingZeros;
            norm += text[i++];
            ++fracDigits;
        }
    }
    if (intDigits == 0 && fracDigits == 0 && !separator)
        return fail();
    if (intDigits == 0)
        norm.insert(norm.begin(), '0');
    if (fracDigits == 0 && separator)
        norm += '0';
    long long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        norm += 'e';
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            if (negativeExponent)
                norm += '-';
            ++i;
        }
        const std::size_t start = i;
        while (i < n && isDigit(text[i])) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (text[i] - '0');
            norm += text[i++];
        }
        if (i == start)
            return fail();
        if (negativeExponent)
            exponent = -exponent;
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        return fail();

    long double value = 0;
    const auto res = std::from_chars(norm.data(), norm.data() + norm.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Out of range either way: too large is an error, too small reads as 0.
        const long long magnitude = static_cast<long long>(intDigits) - static_cast<long long>(leadingZeros)
                                    - static_cast<long long>(fracLeadingZeros) + exponent;
        if (magnitude > 0)
            return fail();
        value = 0;
    } else if (res.ec != std::errc() || res.ptr != norm.data() + norm.size()) {
        return fail();
    }
    return negative ? -value : value;
}

std::uint32_t periodToInterval(std::string_view text, std::string_view decimalSeparator)
{
    const long double ms = textToFloat(text, decimalSeparator) * 1000.0L;
    constexpr long double kLimit = 9223372036854775808.0L; // 2^63
    // nearbyint rounds in the current mode, which is to-nearest-even; the
    // rounded value is a whole number held exactly.
    const long double rounded = std::nearbyintl(ms);
    if (!(rounded >= -kLimit && rounded < kLimit))
        throw Error("Invalid floating point operation");
    const long long count = static_cast<long long>(rounded);
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(count));
}

float toSingle(long double value)
{
    // Beyond FLT_MAX plus half its last place the value rounds to infinity.
    constexpr long double kOverflow = 340282356779733661637539395458142568448.0L; // 2^128 - 2^103
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (value >= kOverflow || value <= -kOverflow)
        throw Error("Floating point overflow");
    return static_cast<float>(value);
}

} // namespace tav
