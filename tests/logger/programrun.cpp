#include "programrun.h"

#include <QRegularExpression>

namespace tavtest {

ProgramRun runProgram(const QString& program, const QStringList& args, std::chrono::milliseconds timeout)
{
    QProcess p;
    p.start(program, args);
    ProgramRun run;
    if (!p.waitForStarted(5000))
        return run;
    if (!p.waitForFinished(static_cast<int>(timeout.count()))) {
        p.kill();
        p.waitForFinished(3000);
    }
    run.crashed = p.exitStatus() != QProcess::NormalExit;
    run.exitCode = p.exitCode();
    run.out = splitLines(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

QStringList splitLines(const QByteArray& text)
{
    QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

std::map<std::string, long long> summaryOf(const QString& err)
{
    static const QRegularExpression line(
        QStringLiteral("^(requests sent|readings|short or empty replies|CRC mismatches|reconnections): (\\d+)$"),
        QRegularExpression::MultilineOption);
    std::map<std::string, long long> out;
    for (auto it = line.globalMatch(err); it.hasNext();) {
        const auto m = it.next();
        out[m.captured(1).toStdString()] = m.captured(2).toLongLong();
    }
    return out;
}

QStringList valuesOf(const QStringList& lines)
{
    static const QRegularExpression shape(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d,(-?\\d+\\.\\d)$"));
    QStringList values;
    for (const QString& l : lines) {
        const auto m = shape.match(l);
        values << (m.hasMatch() ? m.captured(1) : QStringLiteral("<bad: ") + l + QStringLiteral(">"));
    }
    return values;
}

} // namespace tavtest
