// libFuzzer target: the replay of a loaded log file (tav::replayLog).
//
// Input: one byte choosing the decimal separator, then the file's text.
//
// The replay is checked against a plain reference written here: lines split
// at CR LF, lone CR and lone LF; every line with a comma yields the whole text
// after its first comma, converted by tav::textToFloat and rounded by
// tav::toSingle; the first failure stops the replay.
//
// Invariants: the only exception is tav::Error; the points are exactly the
// reference's, at X = 0, 1, 2, ... wrapping at 65536, all on channel 0; a line
// without a comma uses up no X; SampleCount ends at the number of points.
#include "check.h"
#include "error.h"
#include "numbertext.h"
#include "replay.h"
#include "separator.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

struct Point {
    double x, y;
};

class PointSink : public tav::ReadingSink {
public:
    std::vector<Point> points;
    void showValue(int, double) override { TAV_CHECK(false); }
    void setSecondDisplayVisible(bool) override { TAV_CHECK(false); }
    void appendPoint(int channel, double x, double y) override
    {
        TAV_CHECK(channel == 0);
        points.push_back({x, y});
    }
    void appendLogLine(float) override { TAV_CHECK(false); }
};

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
    const auto input = tavfuzz::textInput(data, size);
    if (!input)
        return 0;
    const std::string_view sep = input->separator;
    const std::string_view text = input->text;

    // The reference.
    std::vector<float> expected;
    bool expectStop = false;
    for (const std::string_view line : splitLines(text)) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos)
            continue;
        try {
            expected.push_back(tav::toSingle(tav::textToFloat(line.substr(comma + 1), sep)));
        } catch (const tav::Error&) {
            expectStop = true;
            break;
        }
    }

    tav::ModuleState state;
    state.SampleCount = 1234;
    PointSink sink;
    bool stopped = false;
    try {
        tav::replayLog(text, sep, state, sink);
    } catch (const tav::Error&) {
        stopped = true;
    }
    TAV_CHECK(stopped == expectStop);
    TAV_CHECK(sink.points.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        TAV_CHECK(sink.points[i].x == static_cast<double>(static_cast<std::uint16_t>(i)));
        const double y = static_cast<double>(expected[i]);
        TAV_CHECK(sink.points[i].y == y || (std::isnan(sink.points[i].y) && std::isnan(y)));
    }
    TAV_CHECK(state.SampleCount == static_cast<std::uint16_t>(expected.size()));
    return 0;
}
