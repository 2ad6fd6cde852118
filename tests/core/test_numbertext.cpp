// Text to number and the acquisition period: the grammar of the period field,
// both decimal separators, the conversion errors, rounding half to even and
// the low 32 bits of the millisecond count.
#include "error.h"
#include "numbertext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct PeriodRow {
    const char* text;
    const char* separator;
    std::uint32_t interval;
};

TEST(PeriodToInterval, ConvertsByTheRule)
{
    const PeriodRow rows[] = {
        {"1", ".", 1000},
        {"0.5", ".", 500},
        {"0.1", ".", 100},
        {"0.0625", ".", 62},  // 62.5 to the even neighbour
        {"0.1875", ".", 188}, // 187.5 to the even neighbour
        {"0.0004", ".", 0},   // a timer that never ticks
        {"-1", ".", 4294966296u}, // -1000 modulo 2^32
        {"1,5", ",", 1500},
        {"0,0625", ",", 62},
        {"4294967.296", ".", 0},  // 2^32 ms wraps to 0
        {"4294967.297", ".", 1},
        {"0.0005", ".", 0},    // 0.5 to the even 0
        {"0.0015", ".", 2},    // 1.5 to the even 2
        {"0.0025", ".", 2},    // 2.5 to the even 2
        {"-0.0005", ".", 0},   // -0.5 to the even 0
        {"-0.0015", ".", 4294967294u},
        {"  2  ", ".", 2000},
        {"+2", ".", 2000},
        {".5", ".", 500},
        {"5.", ".", 5000},
        {".", ".", 0},         // a lone separator reads as 0
        {"1e0", ".", 1000},
        {"2E-1", ".", 200},
        {"1e+1", ".", 10000},
        {".e3", ".", 0},
        {"1e-5000", ".", 0},   // below the extended range: 0
        {"0.00000000000000000000000000000000000000001e-4940", ".", 0},
        {"1,.5", ",.", 1500},
        // The largest periods that still fit a signed 64-bit millisecond count.
        {"9223372036854775", ".", static_cast<std::uint32_t>(9223372036854775000ULL)},
        {"-9223372036854775", ".", static_cast<std::uint32_t>(-9223372036854775000LL)},
    };
    for (const PeriodRow& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " with '" + r.separator + "'");
        EXPECT_EQ(tav::periodToInterval(r.text, r.separator), r.interval);
    }
}

TEST(PeriodToInterval, TextThatDoesNotConvert)
{
    const std::pair<const char*, const char*> rows[] = {
        {"1,5", "."}, {"1.5", ","}, {"abc", "."}, {"", "."},    {" ", "."},   {"+", "."},
        {"-", "."},   {"1e", "."},  {"1e+", "."}, {"e5", "."},  {"1 5", "."}, {"1..5", "."},
        {"\t1", "."}, {"1\t", "."}, {"0x10", "."}, {"inf", "."}, {"nan", "."}, {"1e4933", "."},
        {"１", "."},  {"1.5s", "."}, {"--1", "."}, {"1e5000", "."}, {"1,5", ",."},
        {"0.00000000000000000000000000000000000000001e4975", "."},
    };
    for (const auto& [text, separator] : rows) {
        SCOPED_TRACE(std::string(text) + " with '" + separator + "'");
        try {
            tav::periodToInterval(text, separator);
            ADD_FAILURE() << "converted";
        } catch (const tav::Error& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
}

TEST(PeriodToInterval, MillisecondsBeyondSigned64BitsAreAnInvalidOperation)
{
    for (const char* text : {"9223372036854776", "-9223372036854776", "1e16", "-1e16", "1e4930"}) {
        SCOPED_TRACE(text);
        try {
            tav::periodToInterval(text, ".");
            ADD_FAILURE() << "converted";
        } catch (const tav::Error& e) {
            EXPECT_STREQ(e.what(), "Invalid floating point operation");
        }
    }
}

TEST(TextToFloat, HoldsExtendedPrecision)
{
    // 0.1 to the nearest 64-bit mantissa, not to the nearest double.
    EXPECT_EQ(tav::textToFloat("0.1", "."), 0.1L);
    EXPECT_NE(tav::textToFloat("0.1", "."), static_cast<long double>(0.1));
    EXPECT_EQ(tav::textToFloat("-12,5", ","), -12.5L);
    EXPECT_EQ(tav::textToFloat("1e4931", "."), 1e4931L);
}

TEST(ToSingle, RoundsAndReportsOverflow)
{
    EXPECT_EQ(tav::toSingle(20.1L), 20.1f);
    EXPECT_EQ(tav::toSingle(-0.0L), 0.0f);
    EXPECT_THROW(tav::toSingle(1e39L), tav::Error);
    EXPECT_THROW(tav::toSingle(-1e39L), tav::Error);
}

} // namespace
