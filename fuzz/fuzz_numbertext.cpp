// libFuzzer target: text to number, as the period field and the log replay
// read numbers (textToFloat, periodToInterval, toSingle).
//
// Input: one byte choosing the decimal separator, then the text.
//
// Invariants:
// - the only exception is tav::Error, with the message of its kind;
// - a text is accepted exactly when an independent reading of the grammar
//   accepts it and its value lies within the extended range, and the value is
//   the one strtold gives for the same number;
// - an accepted value printed with enough digits reads back to the same value;
// - toSingle fails exactly when rounding to single precision overflows;
// - a log value ("%.1f" of a single) reads back to a single that prints the same;
// - the period of "-t" is the period of "t" negated modulo 2^32.
#include "check.h"
#include "error.h"
#include "logline.h"
#include "numbertext.h"
#include "separator.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The grammar read independently: blanks, sign, digits, separator and digits
// (at least one digit or the separator), exponent with at least one digit,
// blanks, end. Yields the number in C notation for strtold, or nothing.
std::optional<std::string> cNotation(std::string_view t, std::string_view sep)
{
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ')
        ++i;
    std::string out;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        out += t[i++];
    std::string intPart, fracPart;
    while (i < t.size() && isDigit(t[i]))
        intPart += t[i++];
    bool sepSeen = false;
    if (t.substr(i).starts_with(sep)) {
        sepSeen = true;
        i += sep.size();
        while (i < t.size() && isDigit(t[i]))
            fracPart += t[i++];
    }
    if (intPart.empty() && !sepSeen)
        return std::nullopt;
    out += (intPart.empty() ? "0" : intPart) + "." + (fracPart.empty() ? "0" : fracPart);
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        out += 'e';
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            out += t[i++];
        const std::size_t start = i;
        while (i < t.size() && isDigit(t[i]))
            out += t[i++];
        if (i == start)
            return std::nullopt;
    }
    while (i < t.size() && t[i] == ' ')
        ++i;
    if (i != t.size())
        return std::nullopt;
    return out;
}

std::optional<long double> parse(std::string_view text, std::string_view sep)
{
    try {
        return tav::textToFloat(text, sep);
    } catch (const tav::Error& e) {
        // what() is zero-terminated: a text holding a NUL compares up to it.
        TAV_CHECK(std::strcmp(e.what(), tav::invalidFloatMessage(text).c_str()) == 0);
        return std::nullopt;
    }
}

bool same(long double a, long double b) { return a == b && std::signbit(a) == std::signbit(b); }

std::string withSeparator(std::string s, std::string_view sep)
{
    if (const auto dot = s.find('.'); dot != std::string::npos)
        s.replace(dot, 1, sep);
    return s;
}

std::optional<std::uint32_t> period(std::string_view text, std::string_view sep)
{
    try {
        return tav::periodToInterval(text, sep);
    } catch (const tav::Error& e) {
        const std::string msg = e.what();
        TAV_CHECK(msg == tav::invalidFloatMessage(text).c_str() || msg == "Invalid floating point operation");
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = tavfuzz::textInput(data, size);
    if (!input)
        return 0;
    const std::string_view sep = input->separator;
    const std::string_view text = input->text;

    const std::optional<long double> got = parse(text, sep);
    const std::optional<std::string> c = cNotation(text, sep);
    if (!c) {
        TAV_CHECK(!got);
        return 0;
    }
    errno = 0;
    const long double ref = std::strtold(c->c_str(), nullptr);
    const bool tiny = std::fabs(ref) < LDBL_MIN;
    if (errno == ERANGE && !tiny) {
        TAV_CHECK(!got); // beyond the extended range
        return 0;
    }
    TAV_CHECK(got);
    const long double v = *got;
    // Below the normal range the conversion may flush to zero.
    TAV_CHECK(same(v, ref) || (tiny && v == 0));
    TAV_CHECK(std::isfinite(v));

    if (!tiny) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.21Lg", v);
        const std::optional<long double> again = parse(withSeparator(buf, sep), sep);
        TAV_CHECK(again && same(*again, v));
    }

    std::optional<float> single;
    try {
        single = tav::toSingle(v);
    } catch (const tav::Error& e) {
        TAV_CHECK(std::string_view(e.what()) == "Floating point overflow");
    }
    TAV_CHECK(single.has_value() == std::isfinite(static_cast<float>(v)));
    if (single) {
        TAV_CHECK(*single == static_cast<float>(v));
        if (std::fabs(*single) < 1e6f) {
            const std::string logged = tav::formatFixed1(static_cast<double>(*single), sep);
            const std::optional<long double> back = parse(logged, sep);
            TAV_CHECK(back);
            const float f2 = tav::toSingle(*back);
            TAV_CHECK(tav::formatFixed1(static_cast<double>(f2), sep) == logged);
            TAV_CHECK(std::fabs(static_cast<double>(f2) - static_cast<double>(*single)) <= 0.1);
        }
    }

    const std::optional<std::uint32_t> p = period(text, sep);
    const long double ms = v * 1000.0L;
    if (std::fabs(ms) < 9.2e18L)
        TAV_CHECK(p.has_value());
    if (p && v >= 0 && v <= 4294967.0L)
        TAV_CHECK(std::fabs(static_cast<long double>(*p) - ms) <= 0.5L);
    std::size_t lead = 0;
    while (lead < text.size() && text[lead] == ' ')
        ++lead;
    if (lead < text.size() && text[lead] != '+' && text[lead] != '-') {
        const std::string negated = "-" + std::string(text.substr(lead));
        const std::optional<std::uint32_t> q = period(negated, sep);
        // The signed 64-bit range holds -2^63 but not 2^63: only inside it
        // are both sides defined.
        if (std::fabs(ms) < 9.2e18L)
            TAV_CHECK(p.has_value() && q.has_value());
        if (p && q)
            TAV_CHECK(static_cast<std::uint32_t>(*p + *q) == 0u);
    }
    return 0;
}
