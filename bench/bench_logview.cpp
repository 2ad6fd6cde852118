// The log view with a million log lines (eleven and a half days at one reading
// a second): the bytes it holds per line, appending a line with a thousand or
// a million held, taking in the whole text, and one repaint.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_logview
#include "logview.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <malloc.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr long kMillion = 1'000'000;

// "hh:mm:ss,vv.v" as the poll cycle writes it, one a second from midnight.
std::string logLine(long i)
{
    char line[32];
    const long t = i % 86400;
    std::snprintf(line, sizeof line, "%02ld:%02ld:%02ld,%.1f", t / 3600, t / 60 % 60, t % 60,
        20.1 + static_cast<double>(i * 37 % 91) / 10.0);
    return line;
}

const std::string& logText(long lines)
{
    static std::string text = [] {
        std::string t;
        t.reserve(kMillion * 15);
        for (long i = 0; i < kMillion; ++i)
            t += logLine(i) + "\n";
        return t;
    }();
    static std::string part;
    if (lines == kMillion)
        return text;
    std::size_t end = 0;
    for (long i = 0; i < lines; ++i)
        end = text.find('\n', end) + 1;
    part = text.substr(0, end);
    return part;
}

std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

std::unique_ptr<tav::LogView> shownView()
{
    auto view = std::make_unique<tav::LogView>();
    view->resize(760, 560);
    view->show();
    QApplication::processEvents();
    return view;
}

// Heap bytes a line costs, filled by appending (as the poll cycle does) or by
// taking in a loaded file's text.
void BM_BytesPerLine(benchmark::State& state)
{
    const bool appended = state.range(0) == 0;
    std::vector<std::string> lines;
    if (appended)
        for (long i = 0; i < kMillion; ++i)
            lines.push_back(logLine(i));
    const std::string& text = logText(kMillion);
    double perLine = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        auto view = std::make_unique<tav::LogView>();
        if (appended)
            for (const std::string& line : lines)
                view->appendLogLine(line);
        else
            view->setUtf8Text(text);
        perLine = static_cast<double>(heapInUse() - before) / static_cast<double>(kMillion);
        benchmark::DoNotOptimize(view->lineCount());
    }
    state.counters["bytes_per_line"] = perLine;
    state.SetLabel(appended ? "appended" : "loaded");
}
BENCHMARK(BM_BytesPerLine)->ArgName("loaded")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// One line appended to a shown view that follows the end; the repaint it asks
// for runs every 1000 lines (the event loop would merge them the same way).
void BM_AppendLogLine(benchmark::State& state)
{
    auto view = shownView();
    view->setUtf8Text(logText(state.range(0)));
    view->setCursorPosition(view->lineCount(), 0);
    const std::string line = logLine(7);
    long n = 0;
    for (auto _ : state) {
        view->appendLogLine(line);
        if (++n % 1000 == 0) {
            state.PauseTiming();
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
    state.counters["following"] = view->isFollowingEnd() ? 1 : 0;
}
BENCHMARK(BM_AppendLogLine)->ArgName("held")->Arg(1000)->Arg(kMillion)->Unit(benchmark::kMicrosecond);

// The whole text of a million lines taken in: as a loaded file's QString, or
// as UTF-8.
void BM_SetPlainText(benchmark::State& state)
{
    auto view = shownView();
    const QString text = QString::fromStdString(logText(kMillion));
    for (auto _ : state)
        view->setPlainText(text);
    state.counters["lines"] = static_cast<double>(view->lineCount());
}
BENCHMARK(BM_SetPlainText)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SetUtf8Text(benchmark::State& state)
{
    auto view = shownView();
    const std::string& text = logText(kMillion);
    for (auto _ : state)
        view->setUtf8Text(text);
}
BENCHMARK(BM_SetUtf8Text)->Unit(benchmark::kMillisecond)->Iterations(5);

// One repaint with a million lines held, showing the start or following the end.
void BM_Paint(benchmark::State& state)
{
    auto view = shownView();
    view->setUtf8Text(logText(state.range(0)));
    const bool atEnd = state.range(1) == 1;
    if (atEnd)
        view->setCursorPosition(view->lineCount(), 0);
    for (auto _ : state)
        view->viewport()->repaint();
    state.SetLabel(atEnd ? "end" : "start");
}
BENCHMARK(BM_Paint)
    ->ArgNames({"held", "end"})
    ->Args({1000, 1})
    ->Args({kMillion, 0})
    ->Args({kMillion, 1})
    ->Unit(benchmark::kMicrosecond);

// The text out of the view for saving or the replay.
void BM_Utf8Text(benchmark::State& state)
{
    tav::LogView view;
    view.setUtf8Text(logText(kMillion));
    for (auto _ : state) {
        const std::string text = view.utf8Text("\r\n");
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_Utf8Text)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
