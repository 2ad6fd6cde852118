// Soak: the poll tick run for as many ticks as days of polling give, against a
// scripted port that alternates good replies with every kind of fault.
//
// Two sinks: a counting one (the tick alone, nothing held), and the real
// window (displays, chart, log) on the offscreen platform with a fixed clock.
// Figures, as counters:
//   ns_first10 / ns_last10  CPU time per tick (this thread's, so other load on
//                           the machine does not count) over the first and
//                           the last tenth of the run, and their ratio (flat:
//                           about 1)
//   rss_growth              resident memory after minus before (bytes)
//   bytes_per_tick          rss_growth / ticks
//   bytes_per_reading       rss_growth / readings (the window holds one chart
//                           point, two for two registers, and one log line
//                           per reading)
//
// A third run appends log lines alone, for what each costs the log view.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_soak
// SOAK_TICKS (default 1000000) and SOAK_WINDOW_TICKS (default 100000) set the
// length of the two runs.
#include "logline.h"
#include "logview.h"
#include "polltick.h"
#include "tform1.h"
#include "trendplot.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

long residentBytes()
{
    malloc_trim(0);
    long size = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

double threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

tav::Bytes withCrc(tav::Bytes body)
{
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : body) {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    body.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    body.push_back(static_cast<std::uint8_t>(crc >> 8));
    return body;
}

// What the port hands over, tick after tick: half good replies (one and two
// registers, values moving), half faults (silence, a damaged CRC, an exception
// reply, half a reply, noise, two replies at once).
std::vector<tav::Bytes> script()
{
    std::vector<tav::Bytes> s;
    for (int i = 0; i < 64; ++i) {
        const unsigned v = 200 + static_cast<unsigned>(i) * 3;
        const tav::Bytes good = withCrc({0x01, 0x03, 0x02, static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
        tav::Bytes damaged = good;
        damaged.back() ^= 0x01;
        switch (i % 6) {
        case 0:
            s.push_back(good);
            s.push_back({});
            break;
        case 1:
            s.push_back(withCrc({0x01, 0x03, 0x04, 0x00, static_cast<std::uint8_t>(v), 0xFF, 0x38}));
            s.push_back(damaged);
            break;
        case 2:
            s.push_back(good);
            s.push_back({0x01, 0x83, 0x02, 0xC0, 0xF1});
            break;
        case 3:
            s.push_back(good);
            s.push_back(tav::Bytes(good.begin(), good.begin() + 4));
            break;
        case 4:
            s.push_back(good);
            s.push_back({0x5A, 0x00, 0xFF, 0x13, 0x77, 0x01, 0x03, 0x02, 0x9C, 0x40, 0xE2, 0x11, 0x08});
            break;
        default: {
            s.push_back(good);
            tav::Bytes twice = good;
            twice.insert(twice.end(), good.begin(), good.end());
            s.push_back(twice);
        }
        }
    }
    return s;
}

class ScriptedPort : public tav::SensorPort {
public:
    ScriptedPort() : m_script(script()) {}
    bool isOpen() const override { return true; }
    tav::Bytes readAll() override
    {
        const tav::Bytes& b = m_script[m_next];
        m_next = (m_next + 1) % m_script.size();
        return b;
    }
    bool send(tav::ByteView frame) override
    {
        m_sent += frame.size();
        return true;
    }

private:
    std::vector<tav::Bytes> m_script;
    std::size_t m_next = 0;
    std::size_t m_sent = 0;
};

// Counts and sums what it is given, holds nothing.
class CountingSink : public tav::ReadingSink {
public:
    void showValue(int, double v) override { m_sum += v; }
    void setSecondDisplayVisible(bool visible) override { m_visible += visible; }
    void appendPoint(int, double, double y) override
    {
        ++points;
        m_sum += y;
    }
    void appendLogLine(float reading) override
    {
        ++lines;
        m_sum += static_cast<double>(reading);
    }
    std::size_t points = 0, lines = 0;

private:
    double m_sum = 0;
    std::size_t m_visible = 0;
};

class FixedClock : public tav::Clock {
public:
    tav::DateTime now() override { return tav::encodeDateTime(2024, 6, 11, 8, 5, 9); }
};

// Runs `ticks` ticks and sets the figures.
template <class Sink>
void soak(benchmark::State& state, tav::ModuleState& module, Sink& sink, std::size_t ticks,
          const std::function<std::size_t()>& held)
{
    ScriptedPort port;
    const tav::TickHooks hooks{[] {}, [] {}};
    const std::size_t tenth = ticks / 10;
    std::size_t readings = 0;
    double firstNs = 0, lastNs = 0;
    long rssBefore = 0, rssAfter = 0;
    for (auto _ : state) {
        rssBefore = residentBytes();
        auto runChunk = [&](std::size_t n) {
            const double t0 = threadCpuNs();
            for (std::size_t i = 0; i < n; ++i)
                readings += tav::pollTick(module, port, sink, hooks) == tav::TickOutcome::Reading;
            return (threadCpuNs() - t0) / static_cast<double>(n);
        };
        firstNs = runChunk(tenth);
        runChunk(ticks - 2 * tenth);
        lastNs = runChunk(tenth);
        rssAfter = residentBytes();
    }
    const double growth = static_cast<double>(rssAfter - rssBefore);
    state.counters["ticks"] = static_cast<double>(ticks);
    state.counters["readings"] = static_cast<double>(readings);
    state.counters["held"] = static_cast<double>(held());
    state.counters["ns_first10"] = firstNs;
    state.counters["ns_last10"] = lastNs;
    state.counters["last_over_first"] = lastNs / firstNs;
    state.counters["rss_growth"] = growth;
    state.counters["bytes_per_tick"] = growth / static_cast<double>(ticks);
    state.counters["bytes_per_reading"] = readings ? growth / static_cast<double>(readings) : 0.0;
}

void BM_SoakCountingSink(benchmark::State& state)
{
    tav::ModuleState module;
    module.MeasureMode = 2;
    CountingSink sink;
    soak(state, module, sink, static_cast<std::size_t>(state.range(0)), [] { return std::size_t{0}; });
}

// The window as the sink: every reading goes to both displays, the chart
// (channel 1 too for two-register replies) and the log view.
void BM_SoakWindow(benchmark::State& state)
{
    tav::Unit1 = {};
    auto form = std::make_unique<tav::TForm1>();
    form->setClock(std::make_unique<FixedClock>());
    form->setPause([] {});
    soak(state, tav::Unit1, *form, static_cast<std::size_t>(state.range(0)), [&] {
        return form->iPlot1->pointCount(0) + form->iPlot1->pointCount(1)
               + form->Memo1->lineCount();
    });
    state.counters["points"] = static_cast<double>(form->iPlot1->pointCount(0) + form->iPlot1->pointCount(1));
    state.counters["log_lines"] = static_cast<double>(form->Memo1->lineCount());
}

// What one log line alone costs the window, to set against bytes_per_reading.
void BM_LogLinesAlone(benchmark::State& state)
{
    tav::Unit1 = {};
    auto form = std::make_unique<tav::TForm1>();
    form->setClock(std::make_unique<FixedClock>());
    const long lines = state.range(0);
    long rssBefore = 0, rssAfter = 0;
    double ns = 0;
    for (auto _ : state) {
        rssBefore = residentBytes();
        const double t0 = threadCpuNs();
        for (long i = 0; i < lines; ++i)
            form->AppendLogLine(23.4f + static_cast<float>(i % 50));
        ns = (threadCpuNs() - t0) / static_cast<double>(lines);
        rssAfter = residentBytes();
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["ns_per_line"] = ns;
    state.counters["bytes_per_line"] = static_cast<double>(rssAfter - rssBefore) / static_cast<double>(lines);
}

} // namespace

// The run lengths come from the environment, so the benchmarks are registered
// when the program loads rather than by macro.
[[maybe_unused]] const bool kRegistered = [] {
    auto ticks = [](const char* name, long fallback) {
        const char* v = std::getenv(name);
        return v && *v ? std::atol(v) : fallback;
    };
    benchmark::RegisterBenchmark("BM_SoakCountingSink", BM_SoakCountingSink)
        ->Arg(ticks("SOAK_TICKS", 1'000'000))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SoakWindow", BM_SoakWindow)
        ->Arg(ticks("SOAK_WINDOW_TICKS", 100'000))
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_LogLinesAlone", BM_LogLinesAlone)
        ->Arg(50'000)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    return true;
}();
