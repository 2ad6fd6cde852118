// The log file's costs with a log of a million readings (eleven and a half
// days at one a second): the replay (parse and append to the chart), the
// whole "打开文件" press with its dialog bypassed and its parts apart (read,
// the view taking the text, the replay, one repaint), saving, and appending a
// log line with the million lines held.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_replay
#include "logview.h"
#include "modulestate.h"
#include "replay.h"
#include "tform1.h"
#include "trendplot.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kLines = 1'000'000;

class FixedClock : public tav::Clock {
public:
    tav::DateTime now() override { return tav::encodeDateTime(2026, 12, 11, 8, 5, 9); }
};

// A saved log: one reading a second from midnight, values between 20.1 and
// 29.1 as "%.1f" gives them, CR LF after every line.
const QByteArray& logBytes()
{
    static const QByteArray bytes = [] {
        QByteArray b;
        b.reserve(kLines * 16);
        char line[32];
        for (int i = 0; i < kLines; ++i) {
            const int t = i % 86400;
            const int n = std::snprintf(line, sizeof line, "%02d:%02d:%02d,%.1f\r\n", t / 3600, t / 60 % 60, t % 60,
                20.1 + (i * 37 % 91) / 10.0);
            b.append(line, n);
        }
        return b;
    }();
    return bytes;
}

QTemporaryDir& tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString logFile()
{
    static const QString name = [] {
        const QString path = tempDir().filePath(QStringLiteral("million.csv"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(logBytes()) != logBytes().size())
            std::abort();
        return path;
    }();
    return name;
}

// A shown window, as the operator has it, with the chart page in front.
std::unique_ptr<tav::TForm1> shownForm()
{
    tav::Unit1 = {};
    auto form = std::make_unique<tav::TForm1>();
    form->setClock(std::make_unique<FixedClock>());
    form->show();
    QApplication::processEvents();
    return form;
}

// The parser alone, into a sink that only counts.
void BM_ReplayParseOnly(benchmark::State& state)
{
    struct Count : tav::ReadingSink {
        double sum = 0;
        void appendPoint(int, double, double y) override { sum += y; }
        void showValue(int, double) override { }
        void setSecondDisplayVisible(bool) override { }
        void appendLogLine(float) override { }
    } sink;
    QByteArray text = logBytes();
    const std::string_view view(text.constData(), static_cast<std::size_t>(text.size()));
    tav::ModuleState module;
    for (auto _ : state) {
        tav::replayLog(view, ".", module, sink);
        benchmark::DoNotOptimize(sink.sum);
    }
    state.counters["lines"] = kLines;
}
BENCHMARK(BM_ReplayParseOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

// The log's text taken out of the view as the replay reads it.
void BM_LogTextOutOfTheView(benchmark::State& state)
{
    auto form = shownForm();
    form->Memo1->setPlainText(QString::fromLatin1(logBytes()));
    for (auto _ : state) {
        const QByteArray text = form->logText().toUtf8();
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK(BM_LogTextOutOfTheView)->Unit(benchmark::kMillisecond)->Iterations(5);

// The replay as the button runs it: the log's text out of the view, parsed,
// every point appended to the chart (which keeps the points of earlier rounds;
// an append costs the same however many it holds).
void BM_ReplayLog(benchmark::State& state)
{
    auto form = shownForm();
    form->Memo1->setPlainText(QString::fromLatin1(logBytes()));
    for (auto _ : state)
        form->replayLog();
    state.counters["points_held"] = static_cast<double>(form->iPlot1->pointCount(0));
}
BENCHMARK(BM_ReplayLog)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole "打开文件" press on the million-line file, the dialog bypassed:
// read, the view takes the text, the replay, then the one repaint the event
// loop runs. The parts are timed apart as counters (milliseconds).
void BM_OpenLogFilePress(benchmark::State& state)
{
    const QString path = logFile();
    double readMs = 0, viewMs = 0, replayMs = 0, paintMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = shownForm();
        state.ResumeTiming();

        form->openLogFile(path);
        QApplication::processEvents();

        state.PauseTiming();
        // The same steps one by one, on a window of their own.
        auto parts = shownForm();
        QElapsedTimer t;
        t.start();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            std::abort();
        const QString text = QString::fromLocal8Bit(f.readAll());
        readMs += static_cast<double>(t.nsecsElapsed()) / 1e6;
        t.restart();
        parts->Memo1->setPlainText(text);
        viewMs += static_cast<double>(t.nsecsElapsed()) / 1e6;
        t.restart();
        parts->replayLog();
        replayMs += static_cast<double>(t.nsecsElapsed()) / 1e6;
        t.restart();
        QApplication::processEvents();
        paintMs += static_cast<double>(t.nsecsElapsed()) / 1e6;
        parts.reset();
        form.reset();
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["read_ms"] = readMs / n;
    state.counters["view_ms"] = viewMs / n;
    state.counters["replay_ms"] = replayMs / n;
    state.counters["repaint_ms"] = paintMs / n;
}
BENCHMARK(BM_OpenLogFilePress)->Unit(benchmark::kMillisecond)->Iterations(3);

// "保存文件" of the million-line log, the dialog bypassed.
void BM_SaveLogFile(benchmark::State& state)
{
    auto form = shownForm();
    form->Memo1->setPlainText(QString::fromLatin1(logBytes()));
    const QString path = tempDir().filePath(QStringLiteral("saved.csv"));
    for (auto _ : state)
        form->saveLogFile(path);
}
BENCHMARK(BM_SaveLogFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// One log line appended with a thousand or a million lines held, the chart
// page in front (as when polling) or the data page (the view lays out the end).
void BM_AppendLogLine(benchmark::State& state)
{
    auto form = shownForm();
    const int held = static_cast<int>(state.range(0));
    form->Memo1->setPlainText(QString::fromLatin1(logBytes().left(held * 15)));
    const bool dataPage = state.range(1) == 1;
    if (dataPage)
        form->PageControl1->setCurrentWidget(form->TabSheet2);
    QApplication::processEvents();
    for (auto _ : state)
        form->AppendLogLine(23.4f);
    QApplication::processEvents();
    state.SetLabel(dataPage ? "data page shown" : "chart page shown");
}
BENCHMARK(BM_AppendLogLine)
    ->ArgNames({ "held", "datapage" })
    ->Args({ 1000, 0 })
    ->Args({ kLines, 0 })
    ->Args({ 1000, 1 })
    ->Args({ kLines, 1 })
    ->Unit(benchmark::kMicrosecond);

} // namespace
