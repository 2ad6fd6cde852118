#pragma once
// Text to number, as the period field and the log replay read numbers.
#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

// Reads `text` as a number in extended precision. Accepted, in this order:
// blanks (space characters only), an optional "+" or "-", a mantissa of digits
// optionally followed by `decimalSeparator` and more digits (it may also begin
// with the separator, and a lone separator reads as 0), optionally "E" or "e"
// with an optional sign and digits, blanks, and nothing else.
// Throws Error("'<text>' is not a valid floating point value") for any other
// text and for a value beyond the extended range.
long double textToFloat(std::string_view text, std::string_view decimalSeparator);

// The message of the conversion error for `text`.
std::string invalidFloatMessage(std::string_view text);

// Seconds typed in the period field to the timer's millisecond interval:
// textToFloat, times 1000, rounded half to even to a signed 64-bit count, whose
// low 32 bits are the interval. Throws Error("Invalid floating point
// operation") when the product lies outside the signed 64-bit range.
std::uint32_t periodToInterval(std::string_view text, std::string_view decimalSeparator);

// Rounds to single precision. Throws Error("Floating point overflow") when the
// value lies beyond the single-precision range.
float toSingle(long double value);

} // namespace tav
