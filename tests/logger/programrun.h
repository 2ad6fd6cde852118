#pragma once
// Runs the logger or the sensor as a real process and collects what it says.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <map>
#include <ostream>
#include <string>

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace tavtest {

struct ProgramRun {
    int exitCode = -1;
    bool crashed = false;
    QStringList out; // standard output, split into lines
    QString err; // standard error as it came
};

// Runs `program` with `args` to its end (killed after `timeout`).
ProgramRun runProgram(
    const QString& program, const QStringList& args, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Standard output split into lines, without the empty piece after the last line feed.
QStringList splitLines(const QByteArray& text);

// "name: value" lines of the logger's summary.
std::map<std::string, long long> summaryOf(const QString& err);

// "hh:mm:ss,value" lines to their value fields; a line of another shape
// gives "<bad: line>".
QStringList valuesOf(const QStringList& lines);

} // namespace tavtest
