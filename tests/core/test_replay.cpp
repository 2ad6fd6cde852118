// The replay of a log's text: which lines give points, the value each reads,
// where the replay stops and what it leaves behind.
#include "error.h"
#include "numbertext.h"
#include "replay.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Points = std::vector<std::pair<double, double>>;

// Records the points; the replay touches nothing else of the sink.
class Chart : public tav::ReadingSink {
public:
    Points points;
    void appendPoint(int channel, double x, double y) override
    {
        EXPECT_EQ(channel, 0);
        points.emplace_back(x, y);
    }
    void showValue(int, double) override { ADD_FAILURE() << "replay shows no value"; }
    void setSecondDisplayVisible(bool) override { ADD_FAILURE() << "replay leaves display 2 alone"; }
    void appendLogLine(float) override { ADD_FAILURE() << "replay writes no log line"; }
};

struct Outcome {
    Points points;
    unsigned sampleCount;
    std::string error; // empty: the replay ran to the end
};

Outcome replay(std::string_view log, std::string_view separator = ".", std::uint16_t sampleCountBefore = 123)
{
    tav::ModuleState state;
    state.SampleCount = sampleCountBefore;
    Chart chart;
    std::string error;
    try {
        tav::replayLog(log, separator, state, chart);
    } catch (const tav::Error& e) {
        error = e.what();
    }
    return {chart.points, state.SampleCount, error};
}

std::string invalid(const std::string& text) { return "'" + text + "' is not a valid floating point value"; }

double single(double v) { return static_cast<float>(v); }

TEST(Replay, SingleLines)
{
    struct Row {
        std::string line;
        std::string separator;
        std::vector<double> ys; // the points, at X = 0, 1, ...
        std::string error;
    };
    const Row rows[] = {
        {"08:00:00,1.0", ".", {1.0}, ""},
        {"abc", ".", {}, ""},                    // no comma: skipped, X not used up
        {"x,1.5", ".", {1.5}, ""},               // any text before the comma
        {",1.5", ".", {1.5}, ""},
        {"08:00:00, 2.5 ", ".", {2.5}, ""},      // blanks around the value
        {"08:00:00,", ".", {}, invalid("")},      // the empty text
        {"7,8,9", ".", {}, invalid("8,9")},       // only the first comma splits
        {"08:05:09,23,4", ",", {single(23.4)}, ""},
        {"08:05:09,23,4", ".", {}, invalid("23,4")},
        {"08:00:00,1e39", ".", {}, "Floating point overflow"},
        {"08:00:00,-1e39", ".", {}, "Floating point overflow"},
        {"08:00:00,3.4028235e38", ".", {single(3.4028235e38)}, ""}, // the largest single
        {"08:00:00,1e-50", ".", {0.0}, ""},                          // underflow reads as 0
        {"08:00:00,-12.5", ".", {-12.5}, ""},
        {"08:00:00,\t1.0", ".", {}, invalid("\t1.0")},
        {"08:00:00,1,000.0", ".", {}, invalid("1,000.0")},
        {"14:30:00,-12,5", ",", {-12.5}, ""},
        {"08:05:09,23\xD9\xAB" "4", "\xD9\xAB", {single(23.4)}, ""}, // a two-byte separator
        // The whole text after the comma is the value: twelve digits are read
        // as twelve digits, then rounded to single precision.
        {"08:00:00,123456789012", ".", {single(123456789012.0)}, ""},
        {"08:00:00,12345678901x", ".", {}, invalid("12345678901x")},
        {"08:00:00,1.0     comment", ".", {}, invalid("1.0     comment")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line + " with separator " + row.separator);
        const Outcome out = replay(row.line, row.separator);
        Points expected;
        for (std::size_t i = 0; i < row.ys.size(); ++i)
            expected.emplace_back(static_cast<double>(i), row.ys[i]);
        EXPECT_EQ(out.points, expected);
        EXPECT_EQ(out.sampleCount, row.ys.size()); // reset to 0, then one per point
        EXPECT_EQ(out.error, row.error);
    }
}

TEST(Replay, PlainDecimalsReadExactlyAsTheGeneralConversion)
{
    // Values of the program's own shape take a quicker way; it must give the
    // very same single, for every length of mantissa and fraction.
    std::mt19937_64 random(20261211);
    for (const std::string separator : {".", ",", "\xD9\xAB"}) {
        for (int n = 0; n < 100000; ++n) {
            const int digits = 1 + static_cast<int>(random() % 20);
            std::string text = random() % 2 ? "-" : "";
            // Where the separator goes: 0 none, digits after all ("5." reads as 5).
            const int point = static_cast<int>(random() % (digits + 1));
            for (int d = 0; d < digits; ++d) {
                if (d == point && d > 0)
                    text += separator;
                text += static_cast<char>('0' + random() % 10);
            }
            if (point == digits)
                text += separator;
            const float general = tav::toSingle(tav::textToFloat(text, separator));
            const float quick = tav::replayValue(text, separator);
            ASSERT_EQ(std::bit_cast<std::uint32_t>(quick), std::bit_cast<std::uint32_t>(general)) << text;
        }
    }
}

TEST(Replay, FourLineFileGivesExactlyTwoPointsWhateverTheLineBreaks)
{
    for (const std::string br : {"\r\n", "\n", "\r"}) {
        for (const std::string& last : {br, std::string()}) {
            SCOPED_TRACE(testing::PrintToString(br + "|" + last));
            const Outcome out = replay("abc" + br + "08:00:00,1.0" + br + "xyz" + br + "08:00:01,2.0" + last);
            EXPECT_EQ(out.points, (Points{{0, 1.0}, {1, 2.0}}));
            EXPECT_EQ(out.sampleCount, 2u);
            EXPECT_EQ(out.error, "");
        }
    }
    // Mixed breaks, and CR LF counting as one break: no empty line between.
    EXPECT_EQ(replay("t,1\r\nt,2\rt,3\nt,4\n\rt,5").points, (Points{{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}));
}

TEST(Replay, LinesEndAtCrLfCrOrLf)
{
    auto lines = [](std::string_view text) {
        std::vector<std::string> out;
        tav::forEachLine(text, [&](std::string_view l) { out.emplace_back(l); });
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(lines(""), V{});
    EXPECT_EQ(lines("\r\n"), V{""}); // the place after a closing break is no line
    EXPECT_EQ(lines("a"), V{"a"});
    EXPECT_EQ(lines("a\r\n\r\nb\r"), (V{"a", "", "b"}));
    EXPECT_EQ(lines("a\r\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(lines("a\n\rb"), (V{"a", "", "b"})); // LF CR is two breaks
    EXPECT_EQ(lines(std::string_view("a\0b\nc", 5)), (V{std::string("a\0b", 3), "c"}));

    const tav::LineStats crlf = tav::lineStats("08:00:00,1.0\r\n08:00:01,22.0\r\n");
    EXPECT_EQ(crlf.lines, 2u); // CR LF is one break
    EXPECT_EQ(crlf.longest, 13u);
    EXPECT_EQ(tav::lineStats("a\r\rbcd").lines, 3u);
    EXPECT_EQ(tav::lineStats("a\r\rbcd").longest, 3u);
    EXPECT_EQ(tav::lineStats("").lines, 0u);
}

TEST(Replay, StopsAtTheFirstBadValueKeepingWhatCameBefore)
{
    const Outcome bad = replay("a,1.0\nnote\nb,2.0\nc,oops\nd,4.0\n", ".", 500);
    EXPECT_EQ(bad.points, (Points{{0, 1.0}, {1, 2.0}}));
    EXPECT_EQ(bad.sampleCount, 2u);
    EXPECT_EQ(bad.error, invalid("oops"));

    const Outcome overflow = replay("a,1.0\nb,9e99\nc,3.0\n", ".", 500);
    EXPECT_EQ(overflow.points, (Points{{0, 1.0}}));
    EXPECT_EQ(overflow.sampleCount, 1u);
    EXPECT_EQ(overflow.error, "Floating point overflow");

    // Nothing holds a comma: no point, and SampleCount is still reset.
    const Outcome none = replay("just\ntext\n", ".", 500);
    EXPECT_TRUE(none.points.empty());
    EXPECT_EQ(none.sampleCount, 0u);
}

TEST(Replay, XWrapsFrom65535To0)
{
    std::string log;
    for (int i = 0; i < 65538; ++i)
        log += i % 2 ? "08:00:00,1.5\r\n" : "08:00:00,2.5\r\n";
    log += "no comma\r\n";
    const Outcome out = replay(log);
    ASSERT_EQ(out.points.size(), 65538u);
    EXPECT_EQ(out.points[65535], (std::pair<double, double>{65535, 1.5}));
    EXPECT_EQ(out.points[65536], (std::pair<double, double>{0, 2.5}));
    EXPECT_EQ(out.points[65537], (std::pair<double, double>{1, 1.5}));
    EXPECT_EQ(out.sampleCount, 2u);
}

TEST(Replay, ErrorMessageStaysReadableForCorruptText)
{
    // A NUL would end the message where the report reads it: shown as U+FFFD.
    EXPECT_EQ(replay(std::string_view("t,1\0" "2", 5)).error, invalid("1\xEF\xBF\xBD" "2"));
    // Megabytes after a comma are cut to their first 200 bytes.
    const std::string junk(1'000'000, 'x');
    EXPECT_EQ(replay("t," + junk).error, invalid(std::string(200, 'x') + "\xE2\x80\xA6"));
    // The cut never splits a UTF-8 sequence.
    const std::string cjk = std::string(199, 'x') + "\xE6\x95\xB0\xE6\x8D\xAE" + std::string(50, 'y');
    EXPECT_EQ(replay("t," + cjk).error, invalid(std::string(199, 'x') + "\xE2\x80\xA6"));
    // Exactly 200 bytes are shown whole.
    const std::string edge(200, 'z');
    EXPECT_EQ(replay("t," + edge).error, invalid(edge));
    // Long blanks around a good value still convert.
    EXPECT_EQ(replay("t," + std::string(500, ' ') + "7.5" + std::string(500, ' ')).points, (Points{{0, 7.5}}));
}

} // namespace
